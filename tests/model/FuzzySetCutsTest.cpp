// Alpha cuts and one-sided cut-offs of a set, the overlap test of two sets, and the slope
// between two points.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "ModelTestSupport.h"
#include "tarnwick/model/FuzzyLogic.h"
#include "tarnwick/platform/Classes.h"
#include "tarnwick/platform/ScopeGuard.h"

namespace tarnwick {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using test::kTriangle;
using test::MakeSet;
using test::Own;
using test::PointsOf;
using test::Pt;

// ---------------------------------------------------------------------------------------------
// AlphaCutoff

TEST(FuzzySetAlphaCutoff, TriangleAtOneHalfGetsVerticalEdges) {
  auto Tri = MakeSet(kTriangle, "warm");
  for (bool Strong : {false, true}) {
    auto Cut = Own(Tri->AlphaCutoff(0.5, Strong));
    EXPECT_THAT(PointsOf(*Cut), ElementsAre(Pt{0, 0}, Pt{2.5, 0}, Pt{2.5, 0.5}, Pt{5, 1}, Pt{7.5, 0.5}, Pt{7.5, 0}))
        << "strong " << Strong;
    EXPECT_EQ(Cut->GetName(), "warm");
    EXPECT_EQ(Cut->GetExpression(), "");
  }
  EXPECT_THAT(PointsOf(*Tri), ElementsAre(Pt{0, 0}, Pt{5, 1}, Pt{10, 0}));
}

TEST(FuzzySetAlphaCutoff, PointOnTheLevelIsKeptOnlyByTheWeakCut) {
  auto Ramp = MakeSet({{0, 0}, {5, 0.5}, {10, 1}});
  EXPECT_THAT(PointsOf(*Own(Ramp->AlphaCutoff(0.5, false))),
              ElementsAre(Pt{0, 0}, Pt{5, 0}, Pt{5, 0.5}, Pt{10, 1}));
  // The strong cut drops the point on the level; the segment rising from it gets the edge.
  EXPECT_THAT(PointsOf(*Own(Ramp->AlphaCutoff(0.5, true))),
              ElementsAre(Pt{0, 0}, Pt{5, 0}, Pt{5, 0.5}, Pt{10, 1}));
  auto Plateau = MakeSet({{0, 0}, {2, 0.5}, {4, 0.5}, {6, 0}});
  EXPECT_THAT(PointsOf(*Own(Plateau->AlphaCutoff(0.5, false))),
              ElementsAre(Pt{0, 0}, Pt{2, 0}, Pt{2, 0.5}, Pt{4, 0.5}, Pt{4, 0}));
  EXPECT_THAT(PointsOf(*Own(Plateau->AlphaCutoff(0.5, true))), ElementsAre(Pt{0, 0}));
}

TEST(FuzzySetAlphaCutoff, LevelsAtAndBeyondTheEnds) {
  auto Tri = MakeSet(kTriangle);
  struct Case {
    TFzyFloat CutOff;
    bool Strong;
    std::vector<Pt> Expected;
  };
  const Case kCases[] = {
      {0, true, kTriangle},                                        // strong cut at 0: a copy
      {-3, true, kTriangle},                                       // clamped to 0
      {0, false, kTriangle},                                       // every degree is at or above 0
      {1, true, {{0, 0}}},                                         // nothing lies above 1
      {7, true, {{0, 0}}},                                         // clamped to 1
      {1, false, {{0, 0}, {5, 0}, {5, 1}, {5, 0}}},                // only the peak and its edges
      {std::numeric_limits<TFzyFloat>::quiet_NaN(), true, kTriangle},  // NaN cuts at 0
  };
  for (const Case& C : kCases) {
    auto Cut = Own(Tri->AlphaCutoff(C.CutOff, C.Strong));
    EXPECT_EQ(PointsOf(*Cut), C.Expected) << C.CutOff << " strong " << C.Strong;
  }
}

TEST(FuzzySetAlphaCutoff, SetWithoutPointsGivesASetWithoutPoints) {
  auto Empty = MakeSet({});
  EXPECT_THAT(PointsOf(*Own(Empty->AlphaCutoff(0.5, false))), IsEmpty());
  EXPECT_THAT(PointsOf(*Own(Empty->AlphaCutoff(0.5, true))), IsEmpty());
  EXPECT_THAT(PointsOf(*Own(Empty->AlphaCutoff(1, true))), ElementsAre(Pt{0, 0}));
}

TEST(FuzzySetAlphaCutoff, ResultJoinsTheReceiversCollection) {
  TOwnedCollection Sets(nullptr, TFuzzySetClass::Of<TFuzzySet>());
  auto* Tri = static_cast<TFuzzySet*>(Sets.Add());
  Tri->CreateTriangleFunctionValues(0, 5, 10);
  TFuzzySet* Cut = Tri->AlphaCutoff(0.5, false);
  EXPECT_EQ(Cut->TCollectionItem::GetCollection(), &Sets);
  EXPECT_EQ(Sets.GetCount(), 2);
  EXPECT_EQ(PointsOf(*Cut).size(), 6u);
  delete Cut;  // the caller may free it
  EXPECT_EQ(Sets.GetCount(), 1);
}

// ---------------------------------------------------------------------------------------------
// Cutoff

TEST(FuzzySetCutoff, TriangleAtOneHalf) {
  auto Tri = MakeSet(kTriangle, "warm");
  auto Raised = Own(Tri->Cutoff(0.5, true));
  EXPECT_THAT(PointsOf(*Raised), ElementsAre(Pt{2.5, 0.5}, Pt{5, 1}, Pt{7.5, 0.5}));
  EXPECT_EQ(Raised->GetName(), "warm or 0.5000");
  auto Lowered = Own(Tri->Cutoff(0.5, false));
  EXPECT_THAT(PointsOf(*Lowered), ElementsAre(Pt{0, 0}, Pt{2.5, 0.5}, Pt{7.5, 0.5}, Pt{10, 0}));
  EXPECT_EQ(Lowered->GetName(), "warm and 0.5000");
  EXPECT_THAT(PointsOf(*Tri), ElementsAre(Pt{0, 0}, Pt{5, 1}, Pt{10, 0}));
}

TEST(FuzzySetCutoff, MembershipIsTheMaximumOrMinimumWithTheLevel) {
  auto Zigzag = MakeSet({{0, 0.1}, {1, 0.9}, {2, 0.3}, {3, 0.6}, {4, 0.6}, {5, 1}, {6, 0}});
  for (TFzyFloat C : {0.25, 0.3, 0.5, 0.6, 0.75}) {
    auto Raised = Own(Zigzag->Cutoff(C, true));
    auto Lowered = Own(Zigzag->Cutoff(C, false));
    for (TFzyFloat X = -1; X <= 7; X += 0.125) {
      const TFzyFloat M = Zigzag->DegreeOfMembership(X);
      EXPECT_NEAR(Raised->DegreeOfMembership(X), std::max(M, C), 1e-12) << "level " << C << " at " << X;
      EXPECT_NEAR(Lowered->DegreeOfMembership(X), std::min(M, C), 1e-12) << "level " << C << " at " << X;
    }
  }
}

TEST(FuzzySetCutoff, LevelsAtTheEnds) {
  auto Tri = MakeSet(kTriangle);
  struct Case {
    TFzyFloat CutOff;
    bool Below;
    std::vector<Pt> Expected;
  };
  const Case kCases[] = {
      {0, true, kTriangle},  {1, false, kTriangle}, {-2, true, kTriangle},
      {1, true, {{0, 1}}},   {0, false, {{0, 0}}},  {1.5, true, {{0, 1}}},
  };
  for (const Case& C : kCases)
    EXPECT_EQ(PointsOf(*Own(Tri->Cutoff(C.CutOff, C.Below))), C.Expected) << C.CutOff << " below " << C.Below;
  EXPECT_THAT(PointsOf(*Tri), ElementsAre(Pt{0, 0}, Pt{5, 1}, Pt{10, 0}));
}

TEST(FuzzySetCutoff, NameShowsTheLevelGivenAndTheExpressionTheLevelUsed) {
  auto Tri = MakeSet(kTriangle, "quite warm");
  auto Plain = Own(Tri->Cutoff(1.5, true));
  EXPECT_EQ(Plain->GetName(), "[quite warm] or 1.5000");
  EXPECT_EQ(Plain->GetExpression(), "");  // a receiver without expression gives none
  Tri->SetExpression("very warm");
  auto WithExpression = Own(Tri->Cutoff(1.5, true));
  EXPECT_EQ(WithExpression->GetExpression(), "very warm or 1.0000");
  auto Lowered = Own(Tri->Cutoff(-0.25, false));
  EXPECT_EQ(Lowered->GetName(), "[quite warm] and -0.2500");
  EXPECT_EQ(Lowered->GetExpression(), "very warm and 0.0000");
}

TEST(FuzzySetCutoff, NothingPassingGivesTheConstantLevel) {
  // Every degree below the level that is raised to it, or above the level it is lowered to:
  // the cut is the level everywhere, not 0.
  auto Low = MakeSet({{0, 0.2}, {10, 0.3}});
  auto High = MakeSet({{0, 0.7}, {10, 0.8}});
  for (const auto& [Set, Below] : {std::pair{Low.get(), true}, std::pair{High.get(), false}}) {
    auto Cut = Own(Set->Cutoff(0.5, Below));
    EXPECT_THAT(PointsOf(*Cut), ElementsAre(Pt{0, 0.5}));
    EXPECT_EQ(Cut->DegreeOfMembership(-100), 0.5);
    EXPECT_EQ(Cut->DegreeOfMembership(5), 0.5);
  }
}

TEST(FuzzySetCutoff, SetWithoutPointsIsZeroEverywhere) {
  auto Empty = MakeSet({});
  EXPECT_THAT(PointsOf(*Own(Empty->Cutoff(0.5, true))), ElementsAre(Pt{0, 0.5}));  // max(0, 0.5)
  EXPECT_THAT(PointsOf(*Own(Empty->Cutoff(0.5, false))), IsEmpty());               // min(0, 0.5)
}

TEST(FuzzySetCutoff, NaNLevelCutsAtZeroAndNeverReachesAPoint) {
  auto Tri = MakeSet(kTriangle);
  const TFzyFloat NaN = std::numeric_limits<TFzyFloat>::quiet_NaN();
  EXPECT_EQ(PointsOf(*Own(Tri->Cutoff(NaN, true))), kTriangle);
  EXPECT_THAT(PointsOf(*Own(Tri->Cutoff(NaN, false))), ElementsAre(Pt{0, 0}));
}

TEST(FuzzySetCutoff, ResultJoinsTheReceiversCollection) {
  TOwnedCollection Sets(nullptr, TFuzzySetClass::Of<TFuzzySet>());
  auto* Tri = static_cast<TFuzzySet*>(Sets.Add());
  Tri->CreateTriangleFunctionValues(0, 5, 10);
  TFuzzySet* Cut = Tri->Cutoff(0.5, true);
  EXPECT_EQ(Cut->TCollectionItem::GetCollection(), &Sets);
  EXPECT_EQ(Sets.GetCount(), 2);
}

// ---------------------------------------------------------------------------------------------
// A cut that fails

// A set that refuses its points at the end of a bulk change while Refuse is set, and whose
// results are of its class; Alive counts the living ones.
class TRefusingSet : public TFuzzySet {
 public:
  explicit TRefusingSet(TCollection* Collection) : TFuzzySet(Collection) { ++Alive; }
  ~TRefusingSet() override { --Alive; }
  void UpdateFuzzySetValues() override {
    if (Refuse) throw EFzyException("points refused");
    TFuzzySet::UpdateFuzzySetValues();
  }
  static inline bool Refuse = false;
  static inline int Alive = 0;

 protected:
  TFuzzySet* NewInstance(TCollection* Collection) const override { return new TRefusingSet(Collection); }
};

// Without a collection nobody else could free the result of a failed cut, so it goes; in a
// collection it stays, its expression written and its points out of their block.
TEST(FuzzySetCuts, AFailedCutFreesOnlyAResultOfNoCollection) {
  const auto Cut = [](const TFuzzySet& Source, bool Alpha) {
    const TRestoreValue Refusing(TRefusingSet::Refuse, true);
    static_cast<void>(Alpha ? Source.AlphaCutoff(0.5, false) : Source.Cutoff(0.5, true));
  };
  for (bool Alpha : {true, false}) {
    {
      TRefusingSet Loose(nullptr);
      test::Fill(Loose, kTriangle);
      Loose.SetExpression("warm");
      EXPECT_THROW_MSG(Cut(Loose, Alpha), EFzyException, "points refused");
      EXPECT_EQ(TRefusingSet::Alive, 1) << "alpha " << Alpha;
    }
    TOwnedCollection Sets(nullptr, TFuzzySetClass::Of<TRefusingSet>());
    auto* Tri = static_cast<TFuzzySet*>(Sets.Add());
    test::Fill(*Tri, kTriangle);
    Tri->SetExpression("warm");
    EXPECT_THROW_MSG(Cut(*Tri, Alpha), EFzyException, "points refused");
    ASSERT_EQ(Sets.GetCount(), 2) << "alpha " << Alpha;
    const auto* R = static_cast<TFuzzySet*>(Sets.GetItem(1));
    EXPECT_EQ(R->GetValues()->GetUpdateCount(), 0);
    EXPECT_EQ(R->GetExpression(), Alpha ? "" : "warm or 0.5000") << "alpha " << Alpha;
  }
  EXPECT_EQ(TRefusingSet::Alive, 0);
}

// ---------------------------------------------------------------------------------------------
// Intersects

TEST(FuzzySetIntersects, OverlapOfThePointLists) {
  struct Case {
    const char* What;
    std::vector<Pt> A, B;
    bool Expected;
  };
  const Case kCases[] = {
      {"overlapping supports", {{0, 0}, {5, 1}, {10, 0}}, {{6, 0}, {8, 1}, {12, 0}}, true},
      {"touching, A high at the joint", {{0, 0}, {5, 1}}, {{5, 0}, {10, 1}}, true},
      {"touching, B high at the joint", {{0, 1}, {5, 0}}, {{5, 1}, {10, 0}}, true},
      {"touching, both 0 at the joint", {{0, 1}, {5, 0}}, {{5, 0}, {10, 1}}, false},
      {"touching on a vertical edge", {{0, 0}, {5, 0}, {5, 1}}, {{5, 0}, {10, 1}}, true},
      {"touching within the tolerance", {{0, 1}, {5, 0}}, {{5.00005, 1}, {10, 0}}, true},
      {"apart, facing degrees positive", {{0, 0}, {4, 1}}, {{6, 1}, {10, 0}}, false},
      {"overlap just past the tolerance, 0 there", {{0, 1}, {5.00015, 0}}, {{5, 0}, {10, 1}}, true},
      {"overlap regardless of degrees inside", {{0, 1}, {6, 0}}, {{4, 0}, {10, 1}}, true},
      {"A empty", {}, {{0, 0}, {5, 1}}, false},
      {"A zero everywhere", {{0, 0}, {20, 0.00005}}, {{0, 0}, {5, 1}, {10, 0}}, false},
      {"B zero everywhere", {{0, 0}, {5, 1}, {10, 0}}, {{0, 0}, {20, 0}}, false},
      {"flat but not zero", {{0, 0.5}, {20, 0.5}}, {{0, 0}, {5, 1}, {10, 0}}, true},
  };
  for (const Case& C : kCases) {
    auto A = MakeSet(C.A);
    auto B = MakeSet(C.B);
    EXPECT_EQ(A->Intersects(B.get()), C.Expected) << C.What;
    EXPECT_EQ(B->Intersects(A.get()), C.Expected) << C.What << " (swapped)";
  }
  EXPECT_FALSE(MakeSet(kTriangle)->Intersects(nullptr));
}

// ---------------------------------------------------------------------------------------------
// GetSlope

class TSlopeProbe : public TFuzzySet {
 public:
  using TFuzzySet::GetSlope;
};

TEST(FuzzySetGetSlope, RiseOverRunAndTheSignOnOneX) {
  struct Case {
    Pt P1, P2;
    TFzyFloat Expected;
  };
  const Case kCases[] = {
      {{0, 0}, {4, 1}, 0.25},   {{2, 1}, {6, 0}, -0.25},     {{0, 0.5}, {3, 0.5}, 0},
      {{5, 0}, {5, 1}, 1},      {{5, 1}, {5.00005, 0}, -1},  {{5, 0.3}, {5, 0.3}, 0},
  };
  // One list per point: a list would thin two equal neighbours.
  TFuzzySetValues List1(nullptr), List2(nullptr);
  TFuzzySetValue* P1 = List1.Add();
  TFuzzySetValue* P2 = List2.Add();
  for (const Case& C : kCases) {
    P1->SetValue(C.P1.X, C.P1.Y);
    P2->SetValue(C.P2.X, C.P2.Y);
    EXPECT_EQ(TSlopeProbe::GetSlope(P1, P2), C.Expected) << C.P1.X << "," << C.P1.Y << " -> " << C.P2.X << ","
                                                         << C.P2.Y;
  }
}

}  // namespace
}  // namespace tarnwick
