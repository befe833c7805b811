// Correlation and inference of sets, and their defuzzification by centre of gravity and mean
// of maxima.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "ModelTestSupport.h"
#include "tarnwick/model/FuzzyLogic.h"
#include "tarnwick/model/detail/CentroidLanes.h"
#include "tarnwick/platform/Classes.h"

namespace tarnwick {
namespace {

using ::testing::ElementsAre;
using test::Fill;
using test::kTriangle;
using test::MakeSet;
using test::Own;
using test::PointsOf;
using test::Pt;

// A set whose range is fixed, standing in for a set of a variable that spans [Lo, Hi]; its
// results share the range.
class TRangedSet : public TFuzzySet {
 public:
  TRangedSet(TCollection* Collection, TFzyFloat Lo, TFzyFloat Hi) : TFuzzySet(Collection), FLo(Lo), FHi(Hi) {}
  TFzyFloat GetXRange(std::int32_t Index) const override {
    return Index == 0 ? FHi : Index == 1 ? FLo : TFuzzySet::GetXRange(Index);
  }
  using TFuzzySet::SegmentMoment;

 protected:
  TFuzzySet* NewInstance(TCollection* Collection) const override { return new TRangedSet(Collection, FLo, FHi); }

 private:
  TFzyFloat FLo, FHi;
};

std::unique_ptr<TFuzzySet> MakeRanged(const std::vector<Pt>& Points, TFzyFloat Lo = 0, TFzyFloat Hi = 10) {
  auto Set = std::make_unique<TRangedSet>(nullptr, Lo, Hi);
  Fill(*Set, Points);
  return Set;
}

// ---------------------------------------------------------------------------------------------
// Correlate

TEST(FuzzySetCorrelate, MinimumCapsTheDegreesOfThePoints) {
  auto Tri = MakeSet(kTriangle, "warm");
  EXPECT_EQ(Tri->Correlate(0.5, fcmMinimum), Tri.get());
  EXPECT_THAT(PointsOf(*Tri), ElementsAre(Pt{0, 0}, Pt{5, 0.5}, Pt{10, 0}));
  EXPECT_EQ(Tri->GetName(), "warm > 0.5000");
}

TEST(FuzzySetCorrelate, ProductScalesEveryDegree) {
  auto Set = MakeSet({{0, 0.2}, {5, 1}, {10, 0.6}}, "warm");
  EXPECT_EQ(Set->Correlate(0.5, fcmProduct), Set.get());
  EXPECT_THAT(PointsOf(*Set), ElementsAre(Pt{0, 0.1}, Pt{5, 0.5}, Pt{10, 0.3}));
  EXPECT_EQ(Set->GetName(), "warm * 0.5000");
}

TEST(FuzzySetCorrelate, WithoutALogicComponentTheMethodIsTheMinimum) {
  auto Tri = MakeSet(kTriangle, "warm");
  Tri->Correlate(0.25);
  EXPECT_THAT(PointsOf(*Tri), ElementsAre(Pt{0, 0}, Pt{5, 0.25}, Pt{10, 0}));
  EXPECT_EQ(Tri->GetName(), "warm > 0.2500");
  // A strength above the height changes nothing but the name.
  auto Low = MakeSet({{0, 0}, {5, 0.4}, {10, 0}}, "low");
  Low->Correlate(0.9);
  EXPECT_THAT(PointsOf(*Low), ElementsAre(Pt{0, 0}, Pt{5, 0.4}, Pt{10, 0}));
  EXPECT_EQ(Low->GetName(), "low > 0.9000");
}

TEST(FuzzySetCorrelate, StrengthThatIsNotANumberLeavesThePointsAlone) {
  auto Tri = MakeSet(kTriangle, "warm");
  for (TFuzzyCorrelationMethod Method : {fcmMinimum, fcmProduct}) {
    EXPECT_THROW(Tri->Correlate(std::numeric_limits<TFzyFloat>::quiet_NaN(), Method), EFzyException);
    EXPECT_THAT(PointsOf(*Tri), ElementsAre(Pt{0, 0}, Pt{5, 1}, Pt{10, 0}));
    EXPECT_EQ(Tri->GetName(), "warm");
  }
}

// ---------------------------------------------------------------------------------------------
// Infer

TEST(FuzzySetInfer, EachMethodIsAUnionOrAnIntersectionUnderItsOperation) {
  struct Case {
    TFuzzyInferenceMethod Method;
    TFuzzyOperation Operation;
  };
  const Case kCases[] = {{fimMinMax, foZadeh}, {fimAdditive, foSum}, {fimMean, foMean},
                         {fimProduct, foProduct}, {fimBoundedSum, foBoundedSum}};
  auto Old = MakeSet({{0, 0}, {4, 0.8}, {8, 0}}, "old");
  auto New = MakeSet({{2, 0}, {6, 0.6}, {10, 0}}, "new");
  for (const Case& C : kCases) {
    auto Inferred = Own(Old->Infer(New.get(), C.Method, false));
    auto Expected = Own(Old->Union(New.get(), C.Operation));
    EXPECT_EQ(Inferred->GetName(), "old " + std::string(FuzzyUnionKeywords[C.Operation]) + " new");
    EXPECT_EQ(PointsOf(*Inferred), PointsOf(*Expected)) << FuzzyInferenceNames[C.Method];
    if (C.Method == fimAdditive) continue;  // no intersection under the plain sum
    auto Unconditional = Own(Old->Infer(New.get(), C.Method, true));
    auto ExpectedAnd = Own(Old->Intersection(New.get(), C.Operation));
    EXPECT_EQ(Unconditional->GetName(), "old " + std::string(FuzzyIntersectionKeywords[C.Operation]) + " new");
    EXPECT_EQ(PointsOf(*Unconditional), PointsOf(*ExpectedAnd)) << FuzzyInferenceNames[C.Method];
  }
  EXPECT_THAT(PointsOf(*Old), ElementsAre(Pt{0, 0}, Pt{4, 0.8}, Pt{8, 0}));
  EXPECT_THAT(PointsOf(*New), ElementsAre(Pt{2, 0}, Pt{6, 0.6}, Pt{10, 0}));
}

TEST(FuzzySetInfer, AdditiveUnconditionalInferenceIsNoOperation) {
  auto Old = MakeSet(kTriangle, "old");
  auto New = MakeSet(kTriangle, "new");
  try {
    Own(Old->Infer(New.get(), fimAdditive, true));
    ADD_FAILURE() << "no exception";
  } catch (const EFzyException& E) {
    EXPECT_STREQ(E.what(), "Invalid fuzzy operation: \"foSum:");
  }
}

TEST(FuzzySetInfer, WithoutALogicComponentTheMethodIsMinMax) {
  auto Old = MakeSet({{0, 0}, {4, 0.8}, {8, 0}}, "old");
  auto New = MakeSet({{2, 0}, {6, 0.6}, {10, 0}}, "new");
  auto Or = Own(Old->Infer(New.get(), false));
  EXPECT_EQ(Or->GetName(), "old or new");
  EXPECT_EQ(PointsOf(*Or), PointsOf(*Own(Old->Union(New.get()))));
  auto And = Own(Old->Infer(New.get(), true));
  EXPECT_EQ(And->GetName(), "old and new");
  EXPECT_EQ(PointsOf(*And), PointsOf(*Own(Old->Intersection(New.get()))));
}

TEST(FuzzySetInfer, ResultJoinsTheReceiversCollection) {
  TOwnedCollection Sets(nullptr, TFuzzySetClass::Of<TFuzzySet>());
  auto* Old = static_cast<TFuzzySet*>(Sets.Add());
  auto* New = static_cast<TFuzzySet*>(Sets.Add());
  Old->CreateTriangleFunctionValues(0, 2, 4);
  New->CreateTriangleFunctionValues(3, 5, 7);
  TFuzzySet* Result = Old->Infer(New, false);
  EXPECT_EQ(Result->TCollectionItem::GetCollection(), &Sets);
  EXPECT_EQ(Sets.GetCount(), 3);
}

// A whole min-max step by hand: two rules fire, their consequents are correlated and inferred
// into one set, and that set is defuzzified.
TEST(FuzzySetInfer, TwoRulesByHand) {
  auto Cool = MakeRanged({{0, 0}, {2, 1}, {4, 0}});
  auto Warm = MakeRanged({{6, 0}, {8, 1}, {10, 0}});
  Cool->SetName("cool");
  Warm->SetName("warm");
  std::unique_ptr<TFuzzySet> A(Cool->Clone());
  std::unique_ptr<TFuzzySet> B(Warm->Clone());
  A->Correlate(0.5, fcmMinimum);
  B->Correlate(0.5, fcmProduct);
  auto Result = Own(A->Infer(B.get(), fimMinMax, false));
  EXPECT_EQ(Result->GetName(), "[cool > 0.5000] or [warm * 0.5000]");
  for (TFzyFloat X = 0; X <= 10; X += 0.25)
    EXPECT_NEAR(Result->DegreeOfMembership(X), std::max(A->DegreeOfMembership(X), B->DegreeOfMembership(X)), 1e-12)
        << X;
  // Two equal triangles at 2 and 8: the centre lies between them, and so do the maxima.
  EXPECT_DOUBLE_EQ(Result->CenterOfGravity(), 5);
  EXPECT_EQ(Result->MeanOfMaxima(), 5);
  EXPECT_THAT(PointsOf(*Cool), ElementsAre(Pt{0, 0}, Pt{2, 1}, Pt{4, 0}));
}

// ---------------------------------------------------------------------------------------------
// CenterOfGravity

TEST(FuzzySetCenterOfGravity, WorkedExamplesInTheRangeZeroToTen) {
  EXPECT_EQ(MakeRanged({{0, 0}, {5, 1}, {10, 0}})->CenterOfGravity(), 5);
  // A ramp's centre lies two thirds along: TWO_THIRDS * 10 exactly, which is 20/3 to within
  // the rounding of the stored constant.
  const TFzyFloat Ramp = MakeRanged({{0, 0}, {10, 1}})->CenterOfGravity();
  EXPECT_EQ(Ramp, TWO_THIRDS * 10);
  EXPECT_DOUBLE_EQ(Ramp, 20.0 / 3);
  EXPECT_EQ(MakeRanged({{0, 1}, {10, 0}})->CenterOfGravity(), ONE_THIRD * 10);
  // A crisp value: every point on one X stands for the middle of the range.
  auto Crisp = std::make_unique<TRangedSet>(nullptr, 0, 10);
  Crisp->CreateCrispValue(3);
  EXPECT_EQ(Crisp->CenterOfGravity(), 5);
  EXPECT_EQ(MakeRanged({{7, 0.4}})->CenterOfGravity(), 5);
  EXPECT_EQ(MakeRanged({{7, 0.4}}, 10, 40)->CenterOfGravity(), 25);
}

TEST(FuzzySetCenterOfGravity, SumsRectanglesTrianglesAndTrapezoids) {
  // (0,0)-(2,1) triangle, (2,1)-(4,1) rectangle, (4,1)-(6,0) triangle: symmetric about 3.
  EXPECT_DOUBLE_EQ(MakeRanged({{0, 0}, {2, 1}, {4, 1}, {6, 0}})->CenterOfGravity(), 3);
  // One trapezoid from 0.5 to 1 over [0, 10]: (25 + 50/3) / 7.5.
  EXPECT_DOUBLE_EQ(MakeRanged({{0, 0.5}, {10, 1}})->CenterOfGravity(), (25 + 50.0 / 3) / 7.5);
  // End degrees continue to the range ends: the rectangle from 4 to 10 at 0.5 (area 3, centre
  // 7) and the triangle from 2 to 4 (area 0.5, centre 2 + 4/3).
  EXPECT_DOUBLE_EQ(MakeRanged({{2, 0}, {4, 0.5}})->CenterOfGravity(), (3 * 7 + 0.5 * (2 + 4.0 / 3)) / 3.5);
  // A vertical edge adds no area of its own.
  EXPECT_DOUBLE_EQ(MakeRanged({{2, 0}, {2, 1}, {4, 1}, {4, 0}})->CenterOfGravity(), 3);
}

TEST(FuzzySetCenterOfGravity, WithoutAVariableTheEndsReachTheUnboundedRange) {
  EXPECT_EQ(MakeSet({{0, 0}, {5, 1}, {10, 0}})->CenterOfGravity(), 5);
  // The first degree 0.5 continues down to -2147483647.
  const TFzyFloat Area1 = (0 - kUnboundedMinimum) * 0.5;
  const TFzyFloat Centre1 = (0 + kUnboundedMinimum) * 0.5;
  const TFzyFloat Area2 = 10 * 0.5 * 0.5;
  const TFzyFloat Centre2 = 10 * ONE_THIRD;
  EXPECT_DOUBLE_EQ(MakeSet({{0, 0.5}, {10, 0}})->CenterOfGravity(),
                   (Centre1 * Area1 + Centre2 * Area2) / (Area1 + Area2));
  EXPECT_EQ(MakeSet({{3, 0.5}})->CenterOfGravity(), 0);  // the middle of the unbounded range
}

TEST(FuzzySetCenterOfGravity, NoPointsOrNoAreaGiveZero) {
  EXPECT_EQ(MakeRanged({}, 10, 40)->CenterOfGravity(), 0);
  EXPECT_EQ(MakeRanged({{12, 0}, {20, 0}, {30, 0}}, 10, 40)->CenterOfGravity(), 0);
  EXPECT_EQ(MakeSet({{0, 0}, {20, 0}})->CenterOfGravity(), 0);
  // Degrees within the tolerance of 0 weigh nothing on a segment.
  EXPECT_EQ(MakeRanged({{10, 0.00005}, {30, 0.00005}, {40, 0}}, 10, 40)->CenterOfGravity(), 0);
}

TEST(FuzzySetCenterOfGravity, HugeDegreesStillGiveTheCentre) {
  // The unscaled area overflows; the centre of a shape does not depend on its height.
  const TFzyFloat Big = std::numeric_limits<TFzyFloat>::max() / 4;
  const TFzyFloat Centre = MakeRanged({{0, 0}, {10, Big}})->CenterOfGravity();
  EXPECT_TRUE(std::isfinite(Centre));
  EXPECT_DOUBLE_EQ(Centre, 20.0 / 3);
  EXPECT_DOUBLE_EQ(MakeRanged({{0, 0}, {5, Big}, {10, 0}})->CenterOfGravity(), 5);
}

// The centre of gravity as a plain walk over the segments: each segment's area and centroid by
// its shape, the moments summed in long double, and the sums taken again on degrees divided by
// the height when they overflow. The library's faster walk must give these bits exactly.
void ReferenceSegment(TFzyFloat X1, TFzyFloat Y1, TFzyFloat X2, TFzyFloat Y2, TFzyFloat Scale, TFzyFloat& Area,
                      TFzyFloat& Centroid) {
  const TFzyFloat DX = X2 - X1;
  const bool Zero1 = FloatEquals(Y1, 0);
  const bool Zero2 = FloatEquals(Y2, 0);
  if (FloatEquals(X1, X2) || (Zero1 && Zero2)) {
    Area = 0;
    Centroid = 0;
    return;
  }
  const TFzyFloat S1 = Y1 * Scale;
  const TFzyFloat S2 = Y2 * Scale;
  if (FloatEquals(Y1, Y2)) {
    Area = DX * S1;
    Centroid = (X1 + X2) * 0.5;
  } else if (Zero1) {
    Area = DX * 0.5 * std::abs(S2 - S1);
    Centroid = X1 + TWO_THIRDS * DX;
  } else if (Zero2) {
    Area = DX * 0.5 * std::abs(S2 - S1);
    Centroid = X1 + ONE_THIRD * DX;
  } else {
    Area = DX * 0.5 * (S1 + S2);
    Centroid = X1 + TWO_THIRDS * DX * (S2 + 0.5 * S1) / (S1 + S2);
  }
}

void ReferenceSums(const std::vector<Pt>& P, TFzyFloat Min, TFzyFloat Max, TFzyFloat Scale, long double& Moment,
                   TFzyFloat& Area) {
  Moment = 0;
  Area = 0;
  auto AddEnd = [&](TFzyFloat X, TFzyFloat Y, TFzyFloat End, TFzyFloat Width) {
    if (Y > 0 && !FloatEquals(X, End)) {
      const TFzyFloat A = Width * (Y * Scale);
      Moment += static_cast<long double>((X + End) * 0.5) * A;
      Area += A;
    }
  };
  AddEnd(P.front().X, P.front().Y, Min, P.front().X - Min);
  for (std::size_t I = 1; I < P.size(); ++I) {
    TFzyFloat A, Centroid;
    ReferenceSegment(P[I - 1].X, P[I - 1].Y, P[I].X, P[I].Y, Scale, A, Centroid);
    Moment += static_cast<long double>(Centroid) * A;
    Area += A;
  }
  AddEnd(P.back().X, P.back().Y, Max, Max - P.back().X);
}

TFzyFloat ReferenceCentre(const TFuzzySet& Set) {
  const std::vector<Pt> P = PointsOf(Set);
  if (P.empty()) return 0;
  const TFzyFloat Min = Set.GetXRange(1);
  const TFzyFloat Max = Set.GetXRange(0);
  if (P.size() == 1 || FloatEquals(P.front().X, P.back().X)) return (Max - Min) * 0.5 + Min;
  long double Moment;
  TFzyFloat Area;
  ReferenceSums(P, Min, Max, 1, Moment, Area);
  if (!std::isfinite(Moment) || !std::isfinite(Area)) {
    TFzyFloat Height = 0;
    for (const Pt& Q : P) Height = std::max(Height, Q.Y);
    ReferenceSums(P, Min, Max, 1 / Height, Moment, Area);
  }
  if (Area == 0) return 0;
  const auto Result = static_cast<TFzyFloat>(Moment / Area);
  return std::isfinite(Result) ? Result : 0;
}

// The centre's sums four segments at a time in vector lanes (where the processor has them) or
// one by one, for the life of the guard.
class TCentroidLanes {
 public:
  explicit TCentroidLanes(bool Lanes) : FBefore(detail::SetCentroidLanes(Lanes)) {}
  ~TCentroidLanes() { detail::SetCentroidLanes(FBefore); }
  TCentroidLanes(const TCentroidLanes&) = delete;
  TCentroidLanes& operator=(const TCentroidLanes&) = delete;

 private:
  bool FBefore;
};

// Seeded sets rich in the cases where the shape of a segment is decided: degrees at, within and
// just past the tolerance of 0 and of their neighbour, X equal or nearly equal to the one before,
// degrees so large that the sums overflow (and infinite ones), single points, and ranges equal
// to the points, wider, narrower, unbounded or infinite. Both ways of summing run.
class FuzzySetCenterOfGravityPaths : public ::testing::TestWithParam<bool> {};

TEST_P(FuzzySetCenterOfGravityPaths, BitForBitThePlainWalkOverSeededSets) {
  const TCentroidLanes Lanes(GetParam());
  if (GetParam() && !detail::GetCentroidLanes()) GTEST_SKIP() << "the processor has no vector lanes for the sums";
  std::mt19937_64 Random(20261211);
  auto Pick = [&Random](int N) { return static_cast<int>(Random() % static_cast<unsigned>(N)); };
  auto Unit = [&Random] { return static_cast<TFzyFloat>(Random() >> 11) * 0x1p-53; };
  const TFzyFloat Huge = std::numeric_limits<TFzyFloat>::max();
  const TFzyFloat Inf = std::numeric_limits<TFzyFloat>::infinity();
  auto NextX = [&](TFzyFloat X) {
    switch (Pick(8)) {
      case 0: return X;
      case 1: return X + 0.5e-4;
      case 2: return X + kFuzzyTolerance;
      case 3: return X + 1.1e-4;
      case 4: return X + 1;
      default: return X + Unit() * 10;
    }
  };
  bool Heavy = false;  // whether this set may hold huge degrees
  auto NextY = [&](TFzyFloat Y) {
    switch (Pick(16)) {
      case 0: return Pick(2) == 0 ? 0.0 : -0.0;
      case 1: return 0.3e-4;
      case 2: return kFuzzyTolerance;
      case 3: return 1.1e-4;
      case 4: return Y;
      case 5: return Y + 0.5e-4;
      case 6: return Y + kFuzzyTolerance;
      case 7: return Y + 1.1e-4;
      case 8: return !Heavy ? Unit() : Pick(6) == 0 ? (Pick(2) == 0 ? Huge : Inf) : Huge / 4;
      case 9: return TFzyFloat{1};
      case 10:
      case 11: return Pick(17) / 16.0;
      default: return Unit();
    }
  };
  auto Bits = [](TFzyFloat V) {
    std::uint64_t B;
    std::memcpy(&B, &V, sizeof B);
    return B;
  };
  for (int Case = 0; Case < 20000; ++Case) {
    std::vector<Pt> Points;
    const int Count = Pick(8) == 0 ? 100 : 1 + Pick(30);
    Heavy = Pick(3) == 0;
    TFzyFloat X = Unit() * 20 - 10;
    TFzyFloat Y = Unit();
    for (int K = 0; K < Count; ++K) {
      Points.push_back({X, Y});
      X = NextX(X);
      Y = NextY(Y);
    }
    const TFzyFloat First = Points.front().X;
    const TFzyFloat Last = Points.back().X;
    std::unique_ptr<TFuzzySet> Set;
    switch (Pick(5)) {
      case 0: Set = MakeRanged(Points, First, Last); break;
      case 1: Set = MakeRanged(Points, First - Unit() * 5, Last + Unit() * 5); break;
      case 2: Set = MakeRanged(Points, First + Unit() * (Last - First) / 2, Last); break;
      case 3: Set = MakeRanged(Points, -Inf, Inf); break;
      default: Set = MakeSet(Points); break;
    }
    ASSERT_EQ(Bits(Set->CenterOfGravity()), Bits(ReferenceCentre(*Set)))
        << "case " << Case << ": " << ::testing::PrintToString(PointsOf(*Set)) << " over [" << Set->GetXRange(1)
        << ", " << Set->GetXRange(0) << "]";
  }
}

INSTANTIATE_TEST_SUITE_P(, FuzzySetCenterOfGravityPaths, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& Info) { return Info.param ? "Lanes" : "OneByOne"; });

TEST(FuzzySetSegmentMoment, OneRowPerShape) {
  struct Case {
    const char* What;
    Pt P1, P2;
    TFzyFloat Area, Centroid;
  };
  const Case kCases[] = {
      {"vertical", {2, 0}, {2, 1}, 0, 0},
      {"vertical within the tolerance", {2, 0}, {2.00005, 1}, 0, 0},
      {"zero", {0, 0}, {4, 0.00005}, 0, 0},
      {"rectangle", {0, 0.5}, {4, 0.5}, 2, 2},
      {"rising triangle", {0, 0}, {3, 1}, 1.5, 0 + TWO_THIRDS * 3},
      {"falling triangle", {0, 1}, {3, 0}, 1.5, 0 + ONE_THIRD * 3},
      {"trapezoid", {1, 0.5}, {3, 1}, 1.5, 1 + TWO_THIRDS * 2 * (1 + 0.25) / 1.5},
  };
  TFuzzySetValues List1(nullptr), List2(nullptr);
  TFuzzySetValue* P1 = List1.Add();
  TFuzzySetValue* P2 = List2.Add();
  for (const Case& C : kCases) {
    P1->SetValue(C.P1.X, C.P1.Y);
    P2->SetValue(C.P2.X, C.P2.Y);
    TFzyFloat Area = -1, Centroid = -1;
    TRangedSet::SegmentMoment(P1, P2, Area, Centroid);
    EXPECT_EQ(Area, C.Area) << C.What;
    EXPECT_EQ(Centroid, C.Centroid) << C.What;
  }
}

// ---------------------------------------------------------------------------------------------
// MeanOfMaxima, IsUndecidable, Defuzzify

TEST(FuzzySetMeanOfMaxima, MeanXOfTheHighestPoints) {
  struct Case {
    const char* What;
    std::vector<Pt> Points;
    TFzyFloat Expected;
  };
  const Case kCases[] = {
      {"plateau", {{0, 0}, {2, 1}, {4, 1}, {6, 0}}, 3},
      {"two separate peaks", {{0, 1}, {5, 0}, {10, 1}}, 5},
      {"single peak", {{0, 0}, {5, 1}, {10, 0}}, 5},
      {"within the tolerance below", {{0, 0}, {2, 1}, {4, 0.99995}, {6, 0}}, 3},
      {"within the tolerance above", {{0, 0}, {2, 1}, {4, 1.00005}, {6, 0}}, 3},
      {"clearly higher starts anew", {{0, 0}, {2, 1}, {4, 1.0002}, {6, 0}}, 4},
      {"height below 1", {{0, 0.2}, {3, 0.6}, {6, 0.6}, {9, 0.6}, {12, 0.1}}, 6},
      {"one point", {{7, 0.3}}, 7},
      {"no points", {}, 0},
  };
  for (const Case& C : kCases) EXPECT_EQ(MakeSet(C.Points)->MeanOfMaxima(), C.Expected) << C.What;
}

TEST(FuzzySetIsUndecidable, AllZeroAllOneOrEmpty) {
  struct Case {
    std::vector<Pt> Points;
    bool Expected;
  };
  const Case kCases[] = {
      {{{0, 1}, {10, 1}}, true},   {{{0, 0}, {10, 0}}, true},     {{}, true},
      {{{0, 0}, {10, 1}}, false},  {{{0, 0.5}, {10, 0.5}}, false}, {{{0, 1}, {5, 1}, {10, 0.99999}}, false},
      {{{4, 0}}, true},
  };
  for (const Case& C : kCases)
    EXPECT_EQ(MakeSet(C.Points)->IsUndecidable(), C.Expected) << ::testing::PrintToString(C.Points);
}

TEST(FuzzySetDefuzzify, WithoutALogicComponentItIsTheCentreOfGravity) {
  auto Skewed = MakeRanged({{0, 0}, {2, 1}, {10, 0}});
  EXPECT_EQ(Skewed->Defuzzify(), Skewed->CenterOfGravity());
  EXPECT_EQ(Skewed->GetDefuzzifyValue(), Skewed->CenterOfGravity());
  EXPECT_NE(Skewed->Defuzzify(), Skewed->MeanOfMaxima());
}

}  // namespace
}  // namespace tarnwick
