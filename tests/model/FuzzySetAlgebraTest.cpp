// The two-set walk and what rests on it: the visit order, Operator with its plateau collapse,
// naming and expression, the combiners under every operation, Iterate, Equals, the correlation
// strength, and the segment intersection test.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <ostream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "ModelTestSupport.h"
#include "tarnwick/model/FuzzyLogic.h"
#include "tarnwick/model/FuzzyVariable.h"
#include "tarnwick/platform/Classes.h"

namespace tarnwick {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using test::Fill;
using test::kTriangle;
using test::Own;
using test::PointsOf;
using test::Pt;

struct Visit {
  TFzyFloat X1, Y1, X2, Y2;
  bool operator==(const Visit&) const = default;
};
void PrintTo(const Visit& V, std::ostream* Os) {
  *Os << "(" << V.X1 << ", " << V.Y1 << " | " << V.X2 << ", " << V.Y2 << ")";
}

// Opens the protected combiners, comparisons and segment tests to the tests; its results are
// of its own class.
class TProbeSet : public TFuzzySet {
 public:
  using TFuzzySet::TFuzzySet;
  using TFuzzySet::FMax;
  using TFuzzySet::FuzzyOperatorIntersectionBoundedSum;
  using TFuzzySet::FuzzyOperatorIntersectionProduct;
  using TFuzzySet::FuzzyOperatorMax;
  using TFuzzySet::FuzzyOperatorMaxOfMin;
  using TFuzzySet::FuzzyOperatorMean;
  using TFuzzySet::FuzzyOperatorMeanSqr;
  using TFuzzySet::FuzzyOperatorMeanSqrt;
  using TFuzzySet::FuzzyOperatorMin;
  using TFuzzySet::FuzzyOperatorMinThreshold;
  using TFuzzySet::FuzzyOperatorUnionBoundedSum;
  using TFuzzySet::FuzzyOperatorUnionMean;
  using TFuzzySet::FuzzyOperatorUnionProduct;
  using TFuzzySet::FuzzyOperatorUnionSum;
  using TFuzzySet::LineSegmentIntersects;

 protected:
  TFuzzySet* NewInstance(TCollection* Collection) const override { return new TProbeSet(Collection); }
};

// A loose set of the probe class, whose results are probes too.
std::unique_ptr<TFuzzySet> MakeProbeSet(const std::vector<Pt>& Points, const std::string& Name) {
  auto Set = std::make_unique<TProbeSet>(nullptr);
  Set->SetName(Name);
  Fill(*Set, Points);
  return Set;
}

TFuzzySet* AddSet(TCollection& Sets, const std::vector<Pt>& Points, const std::string& Name) {
  auto* Set = static_cast<TFuzzySet*>(Sets.Add());
  Set->SetName(Name);
  Fill(*Set, Points);
  return Set;
}

// Every visit of the walk from A over B, in order.
std::vector<Visit> VisitsOf(const TFuzzySet& A, const TFuzzySet& B) {
  std::vector<Visit> Result;
  A.Iterate(&B, [&](TFzyFloat X1, TFzyFloat Y1, TFzyFloat X2, TFzyFloat Y2) {
    Result.push_back({X1, Y1, X2, Y2});
    return false;
  });
  return Result;
}

const std::vector<Pt> kLine = {{0, 0}, {20, 1}};
const std::vector<Pt> kFlat = {{0, 0.5}, {5, 0.5}};

// ---------------------------------------------------------------------------------------------
// The walk

TEST(FuzzySetAlgebraWalk, TriangleAndLineVisitPointsAndTheCrossingInOrder) {
  auto Tri = MakeProbeSet(kTriangle, "tri");
  auto Line = MakeProbeSet(kLine, "line");
  // The first pass reports the shared first point as a crossing of two single points, the
  // second pass the segments' meeting at their common start; X = 8 crosses the falling edge.
  EXPECT_THAT(VisitsOf(*Tri, *Line),
              ElementsAre(Visit{0, 0, 0, 0}, Visit{0, 0, 0, 0}, Visit{0, 0, 0, 0}, Visit{5, 1, 5, 0.25},
                          Visit{8, 0.4, 8, 0.4}, Visit{10, 0, 10, 0.5}, Visit{20, 0, 20, 1}));
}

TEST(FuzzySetAlgebraWalk, FlatSetCrossesTheOtherLineAtItsLevelBeyondItsLastPoint) {
  auto Flat = MakeProbeSet(kFlat, "flat");
  auto Line = MakeProbeSet(kLine, "line");
  EXPECT_THAT(VisitsOf(*Flat, *Line),
              ElementsAre(Visit{0, 0.5, 0, 0}, Visit{10, 0.5, 10, 0.5}, Visit{5, 0.5, 5, 0.25},
                          Visit{10, 0.5, 10, 0.5}, Visit{20, 0.5, 20, 1}));
  // The roles exchanged: the flat argument crosses the receiver's line (case b).
  EXPECT_THAT(VisitsOf(*Line, *Flat),
              ElementsAre(Visit{0, 0, 0, 0.5}, Visit{10, 0.5, 10, 0.5}, Visit{5, 0.25, 5, 0.5},
                          Visit{10, 0.5, 10, 0.5}, Visit{20, 1, 20, 0.5}));
}

TEST(FuzzySetAlgebraWalk, FirstPassReportsTheLeftOfTwoEqualFirstPoints) {
  auto Right = MakeProbeSet({{2, 0.5}}, "r");
  auto Left = MakeProbeSet({{1, 0.5}}, "l");
  EXPECT_THAT(VisitsOf(*Right, *Left), ElementsAre(Visit{1, 0.5, 1, 0.5}, Visit{1, 0.5, 1, 0.5},
                                                   Visit{1, 0.5, 1, 0.5}, Visit{2, 0.5, 2, 0.5}));
  EXPECT_EQ(VisitsOf(*Left, *Right).front(), (Visit{1, 0.5, 1, 0.5}));
}

TEST(FuzzySetAlgebraWalk, OneEmptySetVisitsTheOthersPointsWithTheirOwnDegree) {
  auto Tri = MakeProbeSet(kTriangle, "tri");
  auto Empty = MakeProbeSet({}, "none");
  const auto Expected = ElementsAre(Visit{0, 0, 0, 0}, Visit{5, 1, 5, 1}, Visit{10, 0, 10, 0});
  EXPECT_THAT(VisitsOf(*Tri, *Empty), Expected);
  EXPECT_THAT(VisitsOf(*Empty, *Tri), Expected);
}

TEST(FuzzySetAlgebraIterate, TellsWhetherTheComparisonStoppedTheWalk) {
  auto Tri = MakeProbeSet(kTriangle, "tri");
  auto Line = MakeProbeSet(kLine, "line");
  auto Empty = MakeProbeSet({}, "none");
  int Calls = 0;
  EXPECT_TRUE(Tri->Iterate(Line.get(), [&](TFzyFloat X1, TFzyFloat, TFzyFloat, TFzyFloat) {
    ++Calls;
    return X1 == 5;
  }));
  EXPECT_EQ(Calls, 4);  // ends at once, at the visit of (5, 1)
  EXPECT_FALSE(Tri->Iterate(Line.get(), [](TFzyFloat, TFzyFloat, TFzyFloat, TFzyFloat) { return false; }));
  EXPECT_FALSE(Tri->Iterate(Empty.get(), [](TFzyFloat, TFzyFloat, TFzyFloat, TFzyFloat) { return false; }));
  Calls = 0;
  EXPECT_TRUE(Empty->Iterate(Empty.get(), [&](TFzyFloat, TFzyFloat, TFzyFloat, TFzyFloat) {
    ++Calls;
    return false;
  }));
  EXPECT_EQ(Calls, 0);
}

// ---------------------------------------------------------------------------------------------
// Operator, intersection and union

TEST(FuzzySetAlgebraOperator, TriangleAndLineIntersectAtTheCrossing) {
  auto Tri = MakeProbeSet(kTriangle, "tri");
  auto Line = MakeProbeSet(kLine, "line");
  auto R = Own(Tri->Intersection(Line.get()));
  // The repeated (0, 0) visits and the trailing run of zeros collapse.
  EXPECT_THAT(PointsOf(*R), ElementsAre(Pt{0, 0}, Pt{5, 0.25}, Pt{8, 0.4}, Pt{10, 0}));
  EXPECT_EQ(R->GetValues()->GetUpdateCount(), 0);
}

TEST(FuzzySetAlgebraOperator, TriangleAndLineInAVariableOfRangeZeroToTwenty) {
  TFuzzyVariable Var(nullptr);
  Var.SetMaximum(20);
  TFuzzySet* Tri = AddSet(*Var.GetItems(), kTriangle, "tri");
  TFuzzySet* Line = AddSet(*Var.GetItems(), kLine, "line");
  TFuzzySet* R = Tri->Intersection(Line, foZadeh);
  EXPECT_EQ(R->GetCollection(), Var.GetItems());
  EXPECT_EQ(Var.GetItems()->GetCount(), 3);
  EXPECT_THAT(PointsOf(*R), ElementsAre(Pt{0, 0}, Pt{5, 0.25}, Pt{8, 0.4}, Pt{10, 0}));
}

TEST(FuzzySetAlgebraOperator, FlatSetAndLineResultIsOrderedByThePointStore) {
  auto Flat = MakeProbeSet(kFlat, "flat");
  auto Line = MakeProbeSet(kLine, "line");
  auto R = Own(Flat->Intersection(Line.get()));
  EXPECT_THAT(PointsOf(*R), ElementsAre(Pt{0, 0}, Pt{5, 0.25}, Pt{10, 0.5}));
}

TEST(FuzzySetAlgebraOperator, IdenticalSetsReproduceTheSet) {
  for (const std::vector<Pt>& Shape : {kTriangle, std::vector<Pt>{{0, 0.2}, {3, 1}, {4, 1}, {9, 0.3}}}) {
    auto A = MakeProbeSet(Shape, "a");
    auto B = MakeProbeSet(Shape, "b");
    EXPECT_EQ(PointsOf(*Own(A->Intersection(B.get()))), Shape);
    EXPECT_EQ(PointsOf(*Own(A->Union(B.get()))), Shape);
    EXPECT_EQ(PointsOf(*Own(A->Intersection(A.get()))), Shape);
    EXPECT_EQ(A->GetCorrelationStrength(B.get()), 1);
  }
}

TEST(FuzzySetAlgebraOperator, SetsTouchingAtAZeroVertexKeepItOnce) {
  // Both the crossings and the merge visit (5, 0), with degree 0; the point store still sees
  // the repeats as duplicates.
  auto A = MakeProbeSet({{0, 1}, {5, 0}, {10, 1}}, "a");
  auto B = MakeProbeSet({{0, 0.5}, {5, 0}, {10, 0.5}}, "b");
  EXPECT_THAT(PointsOf(*Own(A->Intersection(B.get()))), ElementsAre(Pt{0, 0.5}, Pt{5, 0}, Pt{10, 0.5}));
  auto Left = MakeProbeSet(kTriangle, "l");
  auto Right = MakeProbeSet({{10, 0}, {15, 1}, {20, 0}}, "r");
  EXPECT_THAT(PointsOf(*Own(Left->Union(Right.get()))),
              ElementsAre(Pt{0, 0}, Pt{5, 1}, Pt{10, 0}, Pt{15, 1}, Pt{20, 0}));
}

TEST(FuzzySetAlgebraOperator, EqualDegreesThroughoutCollapseToTheLastPoint) {
  auto A = MakeProbeSet({{0, 0.5}, {10, 0.5}}, "a");
  auto B = MakeProbeSet({{5, 0.5}, {15, 0.5}}, "b");
  EXPECT_THAT(PointsOf(*Own(A->Union(B.get()))), ElementsAre(Pt{15, 0.5}));
}

TEST(FuzzySetAlgebraOperator, OneEmptySetPassesTheOtherThroughTheCombinerWithoutCollapse) {
  // A plateau that the collapse would thin survives: one operand had no points.
  const std::vector<Pt> Plateau = {{0, 0.5}, {5, 0.5}, {10, 0.5}};
  auto Set = MakeProbeSet(Plateau, "p");
  auto Empty = MakeProbeSet({}, "e");
  EXPECT_EQ(PointsOf(*Own(Set->Intersection(Empty.get()))), Plateau);
  EXPECT_EQ(PointsOf(*Own(Empty->Union(Set.get()))), Plateau);
  EXPECT_THAT(PointsOf(*Own(Empty->Intersection(Set.get(), foProduct))),
              ElementsAre(Pt{0, 0.25}, Pt{5, 0.25}, Pt{10, 0.25}));
  auto Tri = MakeProbeSet({{0, 0}, {5, 0.7}, {10, 0}}, "t");
  EXPECT_EQ(Tri->GetCorrelationStrength(Empty.get()), 0.7);
  EXPECT_EQ(Empty->GetCorrelationStrength(Tri.get()), 0.7);
}

TEST(FuzzySetAlgebraOperator, BothEmptyGiveAnEmptyNamedSet) {
  auto A = MakeProbeSet({}, "a");
  auto B = MakeProbeSet({}, "b");
  auto R = Own(A->Union(B.get()));
  EXPECT_THAT(PointsOf(*R), IsEmpty());
  EXPECT_EQ(R->GetName(), "a or b");
  EXPECT_EQ(R->GetExpression(), "a or b");
  EXPECT_TRUE(A->Equals(B.get()));
  EXPECT_EQ(A->GetCorrelationStrength(B.get()), 0);
}

TEST(FuzzySetAlgebraOperator, NamesBracketBlanksAndExpressionsPreferTheOperandsExpression) {
  auto Hot = MakeProbeSet(kTriangle, "quite hot");
  auto Cold = MakeProbeSet(kLine, "cold");
  Cold->SetExpression("very cold");
  auto R = Own(Hot->Union(Cold.get(), foProduct));
  EXPECT_EQ(R->GetName(), "[quite hot] or-product cold");
  EXPECT_EQ(R->GetExpression(), "[quite hot] or-product [very cold]");
  EXPECT_EQ(R->GetSetType(), fstUserDefined);

  auto A = MakeProbeSet(kTriangle, "a");
  A->SetExpression("[x] and [y]");  // two groups, not one: bracketed again
  auto S = Own(A->Intersection(R.get(), foMean));
  EXPECT_EQ(S->GetName(), "a and-mean [[quite hot] or-product cold]");
  EXPECT_EQ(S->GetExpression(), "[[x] and [y]] and-mean [[quite hot] or-product [very cold]]");
}

TEST(FuzzySetAlgebraOperator, ResultJoinsTheReceiversCollectionAndClass) {
  TOwnedCollection Sets(nullptr, TFuzzySetClass::Of<TFuzzySet>());
  TFuzzySet* InSets = new TProbeSet(&Sets);
  InSets->SetName("a");
  Fill(*InSets, kTriangle);
  auto Loose = MakeProbeSet(kLine, "b");
  TFuzzySet* R = InSets->Intersection(Loose.get());
  EXPECT_EQ(R->TCollectionItem::GetCollection(), &Sets);
  EXPECT_EQ(Sets.GetCount(), 2);
  EXPECT_NE(dynamic_cast<TProbeSet*>(R), nullptr);
  EXPECT_FALSE(R->GetDefined());
  auto Free = Own(Loose->Intersection(InSets));
  EXPECT_EQ(Free->GetCollection(), nullptr);
  EXPECT_EQ(Sets.GetCount(), 2);
}

TEST(FuzzySetAlgebraOperator, AStoppedWalkSkipsThePlateauCollapse) {
  auto A = MakeProbeSet({{0, 0.5}, {5, 0.5}}, "a");
  auto B = MakeProbeSet({{0, 0.5}, {10, 0.5}}, "b");
  // Visits at X 0, 0, 5, 5, 5, 10, all at 0.5.
  int Calls = 0;
  auto Stopped = Own(A->Operator(B.get(), "or", [&](TFuzzySetValues* V, TFzyFloat X1, TFzyFloat Y1, TFzyFloat,
                                                   TFzyFloat Y2) {
    V->Add(X1, std::max(Y1, Y2));
    return ++Calls == 4;
  }));
  EXPECT_THAT(PointsOf(*Stopped), ElementsAre(Pt{0, 0.5}, Pt{5, 0.5}));
  EXPECT_EQ(Stopped->GetExpression(), "a or b");
  EXPECT_THAT(PointsOf(*Own(A->Union(B.get()))), ElementsAre(Pt{10, 0.5}));
}

TEST(FuzzySetAlgebraOperator, AnErrorInTheWalkEndsTheBlockAndLeavesANamedResult) {
  TOwnedCollection Sets(nullptr, TFuzzySetClass::Of<TFuzzySet>());
  TFuzzySet* A = AddSet(Sets, kTriangle, "a");
  TFuzzySet* B = AddSet(Sets, kLine, "b");
  int Calls = 0;
  const TFuzzyOperator Failing = [&](TFuzzySetValues* V, TFzyFloat X1, TFzyFloat Y1, TFzyFloat, TFzyFloat) {
    V->Add(X1 + 1, Y1);
    if (++Calls == 4) throw std::runtime_error("boom");
    return false;
  };
  EXPECT_THROW(static_cast<void>(A->Operator(B, "xor", Failing)), std::runtime_error);
  ASSERT_EQ(Sets.GetCount(), 3);
  auto* R = static_cast<TFuzzySet*>(Sets.GetItem(2));
  EXPECT_EQ(R->GetValues()->GetUpdateCount(), 0);
  EXPECT_EQ(R->GetName(), "a xor b");
  EXPECT_EQ(R->GetExpression(), "a xor b");
  EXPECT_THAT(PointsOf(*R), ElementsAre(Pt{1, 0}, Pt{6, 1}));  // (1, 0) three times, then (6, 1)

  // Without a collection nobody else could free the partial result; it goes (the leak checker
  // would see it otherwise).
  auto Loose = MakeProbeSet(kTriangle, "c");
  Calls = 0;
  EXPECT_THROW(static_cast<void>(Loose->Operator(B, "xor", Failing)), std::runtime_error);
  EXPECT_EQ(Sets.GetCount(), 3);
}

// ---------------------------------------------------------------------------------------------
// Operations and combiners

TEST(FuzzySetAlgebraCombiners, EachAppendsX1WithItsDegree) {
  using TCombiner = bool (*)(TFuzzySetValues*, TFzyFloat, TFzyFloat, TFzyFloat, TFzyFloat);
  struct Case {
    const char* Name;
    TCombiner Combine;
    TFzyFloat Expected;
  };
  const Case kCases[] = {
      {"Min", &TProbeSet::FuzzyOperatorMin, 0.6},
      {"Max", &TProbeSet::FuzzyOperatorMax, 0.8},
      {"Mean", &TProbeSet::FuzzyOperatorMean, 0.7},
      {"UnionMean", &TProbeSet::FuzzyOperatorUnionMean, (2 * 0.6 + 4 * 0.8) / 6},
      {"MeanSqr", &TProbeSet::FuzzyOperatorMeanSqr, 0.49},
      {"MeanSqrt", &TProbeSet::FuzzyOperatorMeanSqrt, std::sqrt(0.7)},
      {"IntersectionProduct", &TProbeSet::FuzzyOperatorIntersectionProduct, 0.48},
      {"UnionProduct", &TProbeSet::FuzzyOperatorUnionProduct, 0.92},
      {"IntersectionBoundedSum", &TProbeSet::FuzzyOperatorIntersectionBoundedSum, 0.4},
      {"UnionBoundedSum", &TProbeSet::FuzzyOperatorUnionBoundedSum, 1},
      {"UnionSum", &TProbeSet::FuzzyOperatorUnionSum, 1.4},
  };
  for (const Case& C : kCases) {
    TFuzzySetValues Scratch(nullptr);
    EXPECT_FALSE(C.Combine(&Scratch, 3, 0.8, 7, 0.6)) << C.Name;
    ASSERT_EQ(Scratch.GetCount(), 1) << C.Name;
    EXPECT_EQ(Scratch[0]->GetX(), 3) << C.Name;
    EXPECT_DOUBLE_EQ(Scratch[0]->GetY(), C.Expected) << C.Name;
  }
  // Bounded in both directions where the operation says so.
  TFuzzySetValues Scratch(nullptr);
  TProbeSet::FuzzyOperatorIntersectionBoundedSum(&Scratch, 0, 0.2, 0, 0.3);
  TProbeSet::FuzzyOperatorUnionBoundedSum(&Scratch, 1, 0.2, 1, 0.3);
  EXPECT_EQ(Scratch[0]->GetY(), 0);
  EXPECT_DOUBLE_EQ(Scratch[1]->GetY(), 0.5);
}

TEST(FuzzySetAlgebraOperations, EveryOperationPicksItsKeywordAndCombiner) {
  struct Case {
    TFuzzyOperation Op;
    const char* AndName;
    TFzyFloat And;
    const char* OrName;
    TFzyFloat Or;
  };
  const Case kCases[] = {
      {foZadeh, "a and b", 0.6, "a or b", 0.8},
      {foMean, "a and-mean b", 0.7, "a or-mean b", (2 * 0.6 + 4 * 0.8) / 6},
      {foMeanSqr, "a and-meansqr b", 0.49, "a or-meansqr b", 0.49},
      {foMeanSqrt, "a and-meansqrt b", std::sqrt(0.7), "a or-meansqrt b", std::sqrt(0.7)},
      {foProduct, "a and-product b", 0.48, "a or-product b", 0.92},
      {foBoundedSum, "a and-boundedsum b", 0.4, "a or-boundedsum b", 1},
  };
  // Two single points on one X: one merge visit with degrees 0.8 and 0.6.
  auto A = MakeProbeSet({{5, 0.8}}, "a");
  auto B = MakeProbeSet({{5, 0.6}}, "b");
  for (const Case& C : kCases) {
    auto And = Own(A->Intersection(B.get(), C.Op));
    EXPECT_EQ(And->GetName(), C.AndName);
    ASSERT_EQ(And->GetValues()->GetCount(), 1) << C.AndName;
    EXPECT_EQ(And->GetValues()->GetItem(0)->GetX(), 5);
    EXPECT_DOUBLE_EQ(And->GetValues()->GetItem(0)->GetY(), C.And) << C.AndName;
    auto Or = Own(A->Union(B.get(), C.Op));
    EXPECT_EQ(Or->GetName(), C.OrName);
    ASSERT_EQ(Or->GetValues()->GetCount(), 1) << C.OrName;
    EXPECT_DOUBLE_EQ(Or->GetValues()->GetItem(0)->GetY(), C.Or) << C.OrName;
  }
  EXPECT_EQ(PointsOf(*Own(A->Intersection(B.get()))), PointsOf(*Own(A->Intersection(B.get(), foZadeh))));
  EXPECT_EQ(PointsOf(*Own(A->Union(B.get()))), PointsOf(*Own(A->Union(B.get(), foZadeh))));
}

TEST(FuzzySetAlgebraOperations, SumUnionExceedsOneAndSumIntersectionRaises) {
  TOwnedCollection Sets(nullptr, TFuzzySetClass::Of<TFuzzySet>());
  TFuzzySet* A = AddSet(Sets, kTriangle, "a");
  TFuzzySet* B = AddSet(Sets, kTriangle, "b");
  TFuzzySet* Sum = A->Union(B, foSum);
  EXPECT_EQ(Sum->GetName(), "a or-sum b");
  EXPECT_THAT(PointsOf(*Sum), ElementsAre(Pt{0, 0}, Pt{5, 2}, Pt{10, 0}));
  EXPECT_THROW_MSG(static_cast<void>(A->Intersection(B, foSum)), EFzyException, "Invalid fuzzy operation: \"foSum:");
  EXPECT_THROW_MSG(static_cast<void>(A->Intersection(B, static_cast<TFuzzyOperation>(7))), EFzyException,
                   "Invalid fuzzy operation: \"7:");
  EXPECT_THROW_MSG(static_cast<void>(A->Union(B, static_cast<TFuzzyOperation>(9))), EFzyException,
                   "Invalid fuzzy operation: \"9:");
  EXPECT_EQ(Sets.GetCount(), 3);  // no set was made for the failures
}

// ---------------------------------------------------------------------------------------------
// Equals and the correlation strength

TEST(FuzzySetAlgebraEquals, LooseSetsMatchWhenTheyOverlapAboveOneHundredth) {
  auto Tri = MakeProbeSet(kTriangle, "tri");
  auto Far = MakeProbeSet({{20, 0}, {25, 1}, {30, 0}}, "far");
  auto Line = MakeProbeSet(kLine, "line");
  auto Faint = MakeProbeSet({{0, 0.005}, {30, 0.005}}, "faint");
  auto Low = MakeProbeSet({{0, 0.01}, {30, 0.01}}, "low");
  EXPECT_FALSE(Tri->Equals(Far.get()));
  EXPECT_TRUE(Tri->Equals(Line.get()));
  EXPECT_FALSE(Tri->Equals(Faint.get()));
  EXPECT_TRUE(Tri->Equals(Low.get()));  // at the threshold counts
  auto Probe = static_cast<TProbeSet*>(Tri.get());
  EXPECT_TRUE(Probe->FuzzyOperatorMinThreshold(0, 0.01, 0, 0.5));
  EXPECT_FALSE(Probe->FuzzyOperatorMinThreshold(0, 0.5, 0, 0.009));
}

TEST(FuzzySetAlgebraEquals, ComparesWithTheVariablesThreshold) {
  TFuzzyVariable Var(nullptr);
  Var.SetMaximum(30);
  TFuzzySet* Tri = AddSet(*Var.GetItems(), kTriangle, "tri");
  TFuzzySet* Far = AddSet(*Var.GetItems(), {{20, 0}, {25, 1}, {30, 0}}, "far");
  TFuzzySet* Line = AddSet(*Var.GetItems(), kLine, "line");
  ASSERT_EQ(Var.GetThreshold(), 0);
  EXPECT_TRUE(Tri->Equals(Far));  // threshold 0: any two sets
  Var.SetThreshold(0.4);
  EXPECT_TRUE(Tri->Equals(Line));  // min reaches 0.4 at the crossing X = 8
  Var.SetThreshold(0.41);
  EXPECT_FALSE(Tri->Equals(Line));
}

TEST(FuzzySetAlgebraCorrelation, StrengthIsTheHeightOfTheIntersectionAndStaysInFMax) {
  auto Tri = MakeProbeSet(kTriangle, "tri");
  auto Line = MakeProbeSet(kLine, "line");
  EXPECT_EQ(Tri->GetCorrelationStrength(Line.get()), 0.4);
  EXPECT_EQ(static_cast<TProbeSet*>(Tri.get())->FMax, 0.4);
  EXPECT_EQ(Tri->FuzzyEquals(Line.get()), 0.4);
  auto Far = MakeProbeSet({{20, 0}, {25, 1}, {30, 0}}, "far");
  EXPECT_EQ(Tri->GetCorrelationStrength(Far.get()), 0);  // starts afresh each time

  TProbeSet Probe(nullptr);
  EXPECT_FALSE(Probe.FuzzyOperatorMaxOfMin(0, 0.3, 0, 0.7));
  EXPECT_FALSE(Probe.FuzzyOperatorMaxOfMin(0, 0.9, 0, 0.2));
  EXPECT_EQ(Probe.FMax, 0.3);
}

// The strength skips the degree lookups that cannot raise the running maximum; over random
// pairs rich in ties, shared and nearly shared X, vertical edges and flat runs it must give the
// bits the whole walk gives, taking the largest min(Y1, Y2) of every visit.
TEST(FuzzySetAlgebraCorrelation, StrengthMatchesTheMaximumOverEveryVisitOfTheWalk) {
  std::mt19937 Random(20261210);
  auto Pick = [&Random](int N) { return static_cast<int>(Random() % static_cast<unsigned>(N)); };
  auto RandomPoints = [&] {
    std::vector<Pt> Points;
    const int Count = Pick(7);
    for (int K = 0; K < Count; ++K) {
      // X on a coarse grid, sometimes nudged within (or just past) the tolerance.
      TFzyFloat X = Pick(9);
      if (Pick(4) == 0) X += Pick(2) == 0 ? 0.5e-4 : 2e-4;
      // Y on a grid of common degrees, or anywhere in [0, 1].
      const TFzyFloat Y = Pick(2) == 0 ? Pick(5) / 4.0 : std::uniform_real_distribution<TFzyFloat>(0, 1)(Random);
      Points.push_back({X, Y});
    }
    return Points;
  };
  auto Bits = [](TFzyFloat V) {
    std::uint64_t B;
    std::memcpy(&B, &V, sizeof B);
    return B;
  };
  for (int Pair = 0; Pair < 4000; ++Pair) {
    auto A = MakeProbeSet(RandomPoints(), "a");
    auto B = MakeProbeSet(RandomPoints(), "b");
    TFzyFloat Want = 0;
    for (const Visit& V : VisitsOf(*A, *B)) {
      const TFzyFloat M = std::min(V.Y1, V.Y2);
      if (M > Want) Want = M;
    }
    ASSERT_EQ(Bits(A->GetCorrelationStrength(B.get())), Bits(Want))
        << "pair " << Pair << ": " << ::testing::PrintToString(PointsOf(*A)) << " against "
        << ::testing::PrintToString(PointsOf(*B));
  }
}

// A strength asked again is the walk's over the points as they are then: after any change of
// either set, between the same two sets and between others with the same points, it equals
// the strength of fresh copies, and FMax holds it each time.
TEST(FuzzySetAlgebraCorrelation, AskedAgainItFollowsEveryChangeOfEitherSet) {
  auto Term = MakeProbeSet(kTriangle, "term");
  auto Reading = MakeProbeSet({{4, 0}, {4, 1}, {4, 0}}, "reading");
  auto Check = [&](const TFuzzySet& A, const TFuzzySet& B, const char* Where) {
    auto FreshA = MakeProbeSet(PointsOf(A), "a");
    auto FreshB = MakeProbeSet(PointsOf(B), "b");
    const TFzyFloat Want = FreshA->GetCorrelationStrength(FreshB.get());
    for (int Ask = 0; Ask < 2; ++Ask) {
      EXPECT_EQ(A.GetCorrelationStrength(&B), Want) << Where << ", asked " << Ask + 1 << " times";
      EXPECT_EQ(static_cast<const TProbeSet&>(A).FMax, Want) << Where;
    }
  };
  Check(*Term, *Reading, "at first");
  Reading->CreateCrispValue(7);
  Check(*Term, *Reading, "a new reading");
  (*Term->GetValues())[1]->SetY(0.5);
  Check(*Term, *Reading, "a lower peak");
  (*Reading->GetValues())[1]->SetX(2);
  Check(*Term, *Reading, "the reading's spike moved");
  Reading->Hedge(bfhMultiply, 0.5, true);
  Check(*Term, *Reading, "a hedged reading");
  Term->GetValues()->Clear();
  Check(*Term, *Reading, "an emptied term");
  Check(*Reading, *Term, "the other way round");

  // Another pair with the same points, and a pair of two empty sets, each after the other.
  auto Other = MakeProbeSet(kTriangle, "other");
  auto Spike = MakeProbeSet({{5, 0}, {5, 1}, {5, 0}}, "spike");
  Check(*Other, *Spike, "another pair");
  Check(*Other, *Reading, "another reading");
  TProbeSet Empty1(nullptr);
  TProbeSet Empty2(nullptr);
  Check(Empty1, Empty2, "two empty sets");
  Check(*Other, Empty2, "against an empty set");
}

// ---------------------------------------------------------------------------------------------
// Segment intersection

struct SegmentCase {
  const char* Name;
  TFzyFloat AX1, AY1, AX2, AY2, BX1, BY1, BX2, BY2;
  bool Meet;
  TFzyFloat X, Y;
};

const SegmentCase kSegmentCases[] = {
    {"crossing", 5, 1, 10, 0, 0, 0, 20, 1, true, 8, 0.4},
    {"parallel", 0, 0, 10, 1, 0, 1, 10, 2, false, 0, 0},
    {"collinear, A ends first", 0, 0, 10, 1, 5, 0.5, 20, 2, true, 10, 1},
    {"collinear, B ends first", 0, 0, 8, 1, 2, 0.25, 4, 0.5, true, 4, 0.5},
    {"collinear, apart", 0, 0, 2, 0.25, 4, 0.5, 8, 1, true, 2, 0.25},
    {"lines meet beyond A", 0, 0, 1, 0.5, 3, 0, 4, 1, false, 0, 0},
    {"lines meet before B", 0, 0, 10, 5, 6, 0, 7, -1, false, 0, 0},
    {"point A on B", 5, 0.25, 5, 0.25, 0, 0, 20, 1, true, 5, 0.25},
    {"point A off B", 5, 0.5, 5, 0.5, 0, 0, 20, 1, false, 0, 0},
    {"point A near but not on B", 5, 0.25005, 5, 0.25005, 0, 0, 20, 1, false, 0, 0},
    {"point B on A", 0, 0, 20, 1, 5, 0.25, 5, 0.25, true, 5, 0.25},
    {"two equal points", 3, 0.5, 3, 0.5, 3, 0.5, 3, 0.5, true, 3, 0.5},
    {"two points at one level", 2, 0.5, 2, 0.5, 1, 0.5, 1, 0.5, true, 1, 0.5},
    {"vertical A, flat B", 4, 0, 4, 1, 0, 0.5, 10, 0.5, true, 4, 0.5},
    {"vertical B", 0, 0, 10, 1, 3, 0, 3, 1, true, 3, 0.3},
    {"beyond the unbounded range", 2e9, 0, 4e9, 1, 2e9, 1, 4e9, 0, true, 3e9, 0.5},
};

TEST(FuzzySetAlgebraSegments, CoordinateForm) {
  for (const SegmentCase& C : kSegmentCases) {
    TFzyFloat X = -99;
    TFzyFloat Y = -99;
    EXPECT_EQ(TProbeSet::LineSegmentIntersects(C.AX1, C.AY1, C.AX2, C.AY2, C.BX1, C.BY1, C.BX2, C.BY2, X, Y),
              C.Meet)
        << C.Name;
    if (C.Meet) {
      EXPECT_EQ(X, C.X) << C.Name;
      EXPECT_DOUBLE_EQ(Y, C.Y) << C.Name;
    } else {
      EXPECT_EQ(X, -99) << C.Name;  // untouched
      EXPECT_EQ(Y, -99) << C.Name;
    }
  }
}

TEST(FuzzySetAlgebraSegments, PointFormGivesTheSameNumbersInAPointOfNoList) {
  for (const SegmentCase& C : kSegmentCases) {
    TFuzzySetValue A1(nullptr), A2(nullptr), B1(nullptr), B2(nullptr);
    A1.SetValue(C.AX1, C.AY1);
    A2.SetValue(C.AX2, C.AY2);
    B1.SetValue(C.BX1, C.BY1);
    B2.SetValue(C.BX2, C.BY2);
    std::unique_ptr<TFuzzySetValue> P = TProbeSet::LineSegmentIntersects(&A1, &A2, &B1, &B2);
    TFzyFloat X = 0;
    TFzyFloat Y = 0;
    const bool Meet = TProbeSet::LineSegmentIntersects(C.AX1, C.AY1, C.AX2, C.AY2, C.BX1, C.BY1, C.BX2, C.BY2, X, Y);
    ASSERT_EQ(P != nullptr, Meet) << C.Name;
    if (P) {
      EXPECT_EQ(P->GetCollection(), nullptr);
      EXPECT_EQ(P->GetX(), X) << C.Name;
      EXPECT_EQ(P->GetY(), Y) << C.Name;
    }
  }
}

}  // namespace
}  // namespace tarnwick
