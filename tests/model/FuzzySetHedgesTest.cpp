// Hedges: the linguistic hedges and the arithmetic hedge operators, their points, names and
// expressions, their failures and the update blocks they leave closed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "TestSupport.h"
#include "tarnwick/model/FuzzySet.h"
#include "tarnwick/platform/Exceptions.h"
#include "tarnwick/platform/Format.h"

namespace tarnwick {
namespace {

using ::testing::ElementsAre;

using TPoints = std::vector<std::pair<TFzyFloat, TFzyFloat>>;

// A set whose range a test chooses, standing in for a set of a variable.
class TRangedSet : public TFuzzySet {
 public:
  TRangedSet(TCollection* Collection, TFzyFloat Lower, TFzyFloat Upper)
      : TFuzzySet(Collection), FLower(Lower), FUpper(Upper) {}
  TFzyFloat GetXRange(std::int32_t Index) const override {
    if (Index == 0) return FUpper;
    if (Index == 1) return FLower;
    return TFuzzySet::GetXRange(Index);
  }
  void SetRange(TFzyFloat Lower, TFzyFloat Upper) {
    FLower = Lower;
    FUpper = Upper;
  }

 protected:
  TFuzzySet* NewInstance(TCollection* Collection) const override {
    return new TRangedSet(Collection, FLower, FUpper);
  }

 private:
  TFzyFloat FLower;
  TFzyFloat FUpper;
};

void Fill(TFuzzySet& Set, const TPoints& Points, const std::string& Name) {
  {
    TUpdateBlock<TCollection> Block(*Set.GetValues());
    for (const auto& [X, Y] : Points) Set.GetValues()->Add(X, Y);
  }
  Set.SetName(Name);
}

std::unique_ptr<TFuzzySet> MakeSet(const TPoints& Points, const std::string& Name = "high") {
  auto Set = std::make_unique<TFuzzySet>(nullptr);
  Fill(*Set, Points, Name);
  return Set;
}

std::unique_ptr<TRangedSet> MakeRanged(TFzyFloat Lower, TFzyFloat Upper, const TPoints& Points,
                                       const std::string& Name = "high") {
  auto Set = std::make_unique<TRangedSet>(nullptr, Lower, Upper);
  Fill(*Set, Points, Name);
  return Set;
}

TPoints PointsOf(const TFuzzySet& Set) {
  TPoints Result;
  for (std::int32_t I = 0; I < Set.GetValues()->GetCount(); ++I)
    Result.emplace_back(Set.GetValues()->GetItem(I)->GetX(), Set.GetValues()->GetItem(I)->GetY());
  return Result;
}

void ExpectPointsNear(const TFuzzySet& Set, const TPoints& Expected, TFzyFloat Tolerance) {
  const TPoints Actual = PointsOf(Set);
  ASSERT_EQ(Actual.size(), Expected.size());
  for (std::size_t I = 0; I < Actual.size(); ++I) {
    EXPECT_NEAR(Actual[I].first, Expected[I].first, Tolerance) << "X of point " << I;
    EXPECT_NEAR(Actual[I].second, Expected[I].second, Tolerance) << "Y of point " << I;
  }
}

TFzyFloat Height(const TFuzzySet& Set) {
  TFzyFloat Result = 0;
  for (const auto& P : PointsOf(Set)) Result = std::max(Result, P.second);
  return Result;
}

// Number format of generated names and the decimal separator, restored on every way out.
class TNumberSettings {
 public:
  TNumberSettings(const std::string& Format, char Separator)
      : FFormat(FuzzyFormatStr), FSeparator(FormatSettings().DecimalSeparator) {
    FuzzyFormatStr = Format;
    FormatSettings().DecimalSeparator = Separator;
  }
  ~TNumberSettings() {
    FuzzyFormatStr = FFormat;
    FormatSettings().DecimalSeparator = FSeparator;
  }
  TNumberSettings(const TNumberSettings&) = delete;
  TNumberSettings& operator=(const TNumberSettings&) = delete;

 private:
  std::string FFormat;
  char FSeparator;
};

const TPoints kTriangle = {{0, 0}, {5, 1}, {10, 0}};
// The triangle spread over 7 points: two in each gap, on the straight lines.
const TPoints kTriangle7 = {{0, 0},           {5.0 / 3, 1.0 / 3}, {10.0 / 3, 2.0 / 3}, {5, 1},
                            {20.0 / 3, 2.0 / 3}, {25.0 / 3, 1.0 / 3}, {10, 0}};

// ---------------------------------------------------------------------------------------------
// Linguistic hedges: points

TEST(FuzzySetHedgesLinguistic, NotAboveAndBelowOnATriangle) {
  struct Case {
    TFuzzyHedge Hedge;
    TPoints Expected;
  };
  const Case kCases[] = {
      {fhNot, {{0, 1}, {5, 0}, {10, 1}}},
      {fhAbove, {{0, 0}, {5, 0}, {10, 1}}},
      {fhBelow, {{0, 1}, {5, 0}, {10, 0}}},
  };
  for (const Case& C : kCases) {
    auto Set = MakeSet(kTriangle);
    EXPECT_EQ(Set->Hedge(C.Hedge), Set.get());
    EXPECT_EQ(PointsOf(*Set), C.Expected) << HedgeNames[C.Hedge];
  }
}

TEST(FuzzySetHedgesLinguistic, AboveTakesTheLastAndBelowTheFirstOfEqualPeaks) {
  auto Above = MakeSet({{0, 0}, {4, 0.8}, {6, 0.8}, {10, 0}});
  Above->Hedge(fhAbove);
  EXPECT_EQ(PointsOf(*Above), (TPoints{{0, 0}, {4, 0}, {6, 0}, {10, 1}}));

  auto Below = MakeSet({{0, 0}, {4, 0.8}, {6, 0.8}, {10, 0}});
  Below->Hedge(fhBelow);
  EXPECT_EQ(PointsOf(*Below), (TPoints{{0, 1}, {4, 0}, {6, 0}, {10, 0}}));
}

TEST(FuzzySetHedgesLinguistic, AboveStopsAtTheFirstFullDegree) {
  // The second peak of degree 1 is not reached: everything after the first is complemented.
  auto Set = MakeSet({{0, 0.2}, {2, 1}, {4, 0.5}, {6, 1}, {8, 0.25}});
  Set->Hedge(fhAbove);
  EXPECT_EQ(PointsOf(*Set), (TPoints{{0, 0}, {2, 0}, {4, 0.5}, {6, 0}, {8, 0.75}}));
}

TEST(FuzzySetHedgesLinguistic, NotStoresANegativeComplementAsZero) {
  auto Set = MakeSet({{0, 0.25}, {5, 1.5}});
  Set->Hedge(fhNot);
  EXPECT_EQ(PointsOf(*Set), (TPoints{{0, 0.75}, {5, 0}}));
}

TEST(FuzzySetHedgesLinguistic, IntensifyingHedgesRaiseInnerDegreesToTheirModifier) {
  const TFuzzyHedge kHedges[] = {fhSomewhat, fhMoreOrLess, fhGreatly, fhPlus, fhVery, fhExtremely};
  for (TFuzzyHedge Hedge : kHedges) {
    auto Set = MakeSet(kTriangle);
    Set->Hedge(Hedge);
    TPoints Expected = kTriangle7;
    for (auto& P : Expected)
      if (P.second > 0 && P.second < 1) P.second = std::pow(P.second, HedgeModifiers[Hedge]);
    ExpectPointsNear(*Set, Expected, 1e-12);
  }
}

TEST(FuzzySetHedgesLinguistic, VeryLeavesZeroAndDegreesFromOneUp) {
  auto Set = MakeSet({{0, 0}, {1, 0.5}, {2, 1}, {3, 1.5}, {4, 0.5}, {5, 0}, {6, 0}});
  Set->Hedge(fhVery);
  EXPECT_EQ(PointsOf(*Set), (TPoints{{0, 0}, {1, 0.25}, {2, 1}, {3, 1.5}, {4, 0.25}, {5, 0}, {6, 0}}));
}

TEST(FuzzySetHedgesLinguistic, ContrastHedgesPivotAtOneHalf) {
  const TFuzzyHedge kHedges[] = {fhPositively, fhAbsolutely, fhDefinitely, fhGenerally};
  for (TFuzzyHedge Hedge : kHedges) {
    const TFzyFloat P = HedgeModifiers[Hedge];
    auto Set = MakeSet(kTriangle);
    Set->Hedge(Hedge);
    TPoints Expected = kTriangle7;
    for (auto& Point : Expected) {
      const TFzyFloat Y = Point.second;
      if (P < 1 && Y <= 0) continue;
      Point.second = Y < 0.5 ? std::min(1.0, P * std::pow(Y, P)) : std::max(0.0, 1 - P * std::pow(1 - Y, P));
    }
    ExpectPointsNear(*Set, Expected, 1e-12);
  }
  // The two modifiers in numbers: 1/3 goes to 2/9 under "positively", 2/3 to 1 - sqrt(1/3)/2
  // under "generally".
  auto Positively = MakeSet(kTriangle);
  Positively->Hedge(fhPositively);
  EXPECT_NEAR(PointsOf(*Positively)[1].second, 2.0 / 9, 1e-12);
  auto Generally = MakeSet(kTriangle);
  Generally->Hedge(fhGenerally);
  EXPECT_NEAR(PointsOf(*Generally)[2].second, 1 - std::sqrt(1.0 / 3) / 2, 1e-12);
}

TEST(FuzzySetHedgesLinguistic, ContrastOfADegreeAboveOne) {
  // An integral modifier has a power of any distance; a fractional one has none for a
  // negative distance, and that degree stays as it was.
  const TPoints Points = {{0, 1.5}, {1, 1.5}, {2, 1.5}, {3, 1.5}, {4, 1.5}, {5, 1.5}, {6, 1.5}};
  auto Positively = MakeSet(Points);
  Positively->Hedge(fhPositively);
  for (const auto& P : PointsOf(*Positively)) EXPECT_EQ(P.second, 0.5);
  auto Generally = MakeSet(Points);
  Generally->Hedge(fhGenerally);
  for (const auto& P : PointsOf(*Generally)) EXPECT_EQ(P.second, 1.5);
}

TEST(FuzzySetHedgesLinguistic, NormalizeDividesByTheHeight) {
  auto Set = MakeSet({{0, 0}, {5, 0.5}, {10, 0.25}});
  Set->Hedge(fhNormalize);
  EXPECT_EQ(PointsOf(*Set), (TPoints{{0, 0}, {5, 1}, {10, 0.5}}));
  auto Zero = MakeSet({{0, 0}, {5, 0}});
  Zero->Hedge(fhNormalize);
  EXPECT_EQ(PointsOf(*Zero), (TPoints{{0, 0}, {5, 0}}));
  EXPECT_EQ(Zero->GetName(), "normalize high");
}

// ---------------------------------------------------------------------------------------------
// Approximation hedges

// The 50 samples of [Lower, Upper] as the point list spreads them: equal steps from Lower.
std::vector<TFzyFloat> Samples(TFzyFloat Lower, TFzyFloat Upper) {
  std::vector<TFzyFloat> Result{Lower};
  const TFzyFloat Step = (Upper - Lower) / 49;
  for (int K = 1; K < 49; ++K) Result.push_back(Result.back() + Step);
  Result.push_back(Upper);
  return Result;
}

TEST(FuzzySetHedgesApproximation, SamplesTheWholeRangeAndNormalizes) {
  const TFuzzyHedge kHedges[] = {fhAbout, fhVicinity, fhClose, fhNear, fhNeighboring};
  for (TFuzzyHedge Hedge : kHedges) {
    const TFzyFloat P = HedgeModifiers[Hedge];
    auto Set = MakeRanged(0, 20, kTriangle);
    Set->Hedge(Hedge);

    // Each sample takes the most any point lends it, with the distance scaled by the set's
    // share of the range (10 of 20); then everything is divided by the highest sample.
    const std::vector<TFzyFloat> Xs = Samples(0, 20);
    std::vector<TFzyFloat> Raw;
    for (TFzyFloat X : Xs) {
      TFzyFloat Best = 0;
      for (const auto& [PX, PY] : kTriangle7)
        if (PY > 0) Best = std::max(Best, PY / (std::pow(std::fabs(X - PX) * 0.5, P) + 1));
      Raw.push_back(Best);
    }
    const TFzyFloat Top = *std::max_element(Raw.begin(), Raw.end());
    TPoints Expected;
    for (std::size_t K = 0; K < Xs.size(); ++K) Expected.emplace_back(Xs[K], Raw[K] / Top);
    ExpectPointsNear(*Set, Expected, 1e-9);
    EXPECT_DOUBLE_EQ(Height(*Set), 1) << HedgeNames[Hedge];
  }
}

TEST(FuzzySetHedgesApproximation, WithoutAVariableSpansTheUnboundedRange) {
  auto Set = MakeSet(kTriangle);
  Set->Hedge(fhAbout);
  const TPoints Points = PointsOf(*Set);
  ASSERT_EQ(Points.size(), 50u);
  EXPECT_EQ(Points.front().first, -2147483647.0);
  EXPECT_EQ(Points.back().first, 2147483647.0);
  EXPECT_DOUBLE_EQ(Height(*Set), 1);
}

TEST(FuzzySetHedgesApproximation, ASetOfZeroDegreesStaysZero) {
  auto Set = MakeRanged(0, 20, {{0, 0}, {10, 0}});
  Set->Hedge(fhVicinity);
  const TPoints Points = PointsOf(*Set);
  ASSERT_EQ(Points.size(), 50u);
  for (const auto& P : Points) EXPECT_EQ(P.second, 0);
}

TEST(FuzzySetHedgesApproximation, ARangeOfWidthZeroLeavesItsOnePointFull) {
  // All samples of a one-value range fall on that value; the set is widened there with the
  // width factor of a set without width, so any positive degree ends as a full degree.
  struct Case {
    TPoints Points;
    TPoints Expected;
  };
  const Case kCases[] = {
      {kTriangle, {{5, 1}}},                 // made over 0..10, then the range shrinks to 5
      {{{0, 0.25}, {10, 0}}, {{5, 1}}},      // no full degree anywhere
      {{{0, 0}, {10, 0}}, {{5, 0}}},         // nothing to lend
  };
  for (const Case& C : kCases) {
    auto Set = MakeRanged(0, 10, C.Points);
    Set->SetRange(5, 5);
    Set->Hedge(fhAbout);
    EXPECT_EQ(PointsOf(*Set), C.Expected);
    EXPECT_EQ(Set->GetName(), "about high");
  }
}

TEST(FuzzySetHedgesApproximation, AnEmptySetRaisesTheListIndexError) {
  auto Set = MakeSet({});
  EXPECT_THROW(Set->Hedge(fhAbout), EListError);
  EXPECT_EQ(Set->GetName(), "high");
  EXPECT_EQ(Set->GetValues()->GetUpdateCount(), 0);
  EXPECT_EQ(Set->GetValues()->GetCount(), 0);
}

// ---------------------------------------------------------------------------------------------
// Names and expressions of the linguistic hedges

TEST(FuzzySetHedgesNames, HedgeWordAndNameWithTheNameAsExpression) {
  auto Set = MakeSet(kTriangle);
  Set->Hedge(fhVery);
  EXPECT_EQ(Set->GetName(), "very high");
  EXPECT_EQ(Set->GetExpression(), "[very high]");
  Set->Hedge(fhNot);
  EXPECT_EQ(Set->GetName(), "not [very high]");
  EXPECT_EQ(Set->GetExpression(), "not [[very high]]");
}

TEST(FuzzySetHedgesNames, AKeptExpressionIsHedged) {
  struct Case {
    std::string Expression;
    std::string Expected;
  };
  const Case kCases[] = {
      {"hot", "somewhat hot"},
      {"  hot ", "somewhat hot"},
      {"a and b", "somewhat [[a and b]]"},
      {"[a and b]", "somewhat [[a and b]]"},
  };
  for (const Case& C : kCases) {
    auto Set = MakeSet(kTriangle, "hot");
    Set->SetExpression(C.Expression);
    Set->Hedge(fhSomewhat);
    EXPECT_EQ(Set->GetName(), "somewhat hot");
    EXPECT_EQ(Set->GetExpression(), C.Expected) << C.Expression;
  }
}

TEST(FuzzySetHedgesNames, EveryHedgeNamesAnEmptySet) {
  // Hedges that need points (normalize, slightly, the approximations) are covered elsewhere.
  const TFuzzyHedge kHedges[] = {fhNot,   fhSomewhat, fhVery,       fhAbove,      fhBelow,
                                 fhPlus,  fhGreatly,  fhPositively, fhDefinitely, fhGenerally};
  for (TFuzzyHedge Hedge : kHedges) {
    auto Set = MakeSet({}, "warm");
    Set->Hedge(Hedge);
    EXPECT_EQ(Set->GetName(), std::string(HedgeNames[Hedge]) + " warm");
    EXPECT_EQ(Set->GetValues()->GetCount(), 0);
  }
}

TEST(FuzzySetHedgesNames, NormalizeOfAnEmptySetRaisesAndKeepsTheName) {
  auto Set = MakeSet({});
  EXPECT_THROW_MSG(Set->Hedge(fhNormalize), EFzyException,
                   "Invalid operation: \"Get Maximum Y Value\".  Fuzzy set is empty");
  EXPECT_EQ(Set->GetName(), "high");
  EXPECT_EQ(Set->GetValues()->GetUpdateCount(), 0);
}

// ---------------------------------------------------------------------------------------------
// Arithmetic hedge operators

TEST(FuzzySetHedgesOperators, EveryOperatorOnY) {
  struct Case {
    TBaseFuzzyHedge Op;
    TPoints Expected;
    std::string Name;
  };
  const Case kCases[] = {
      {bfhAdd, {{1, 0.2 + 0.5}, {4, 1}, {8, 1.5}}, "high + 0.5000"},
      {bfhSubtract, {{1, 0}, {4, 0}, {8, 0.5}}, "high - 0.5000"},
      {bfhMultiply, {{1, 0.1}, {4, 0.25}, {8, 0.5}}, "high * 0.5000"},
      {bfhDivide, {{1, 0.4}, {4, 1}, {8, 2}}, "high / 0.5000"},
      {bfhPower, {{1, std::pow(0.2, 0.5)}, {4, std::pow(0.5, 0.5)}, {8, 1}}, "high ^ 0.5000"},
      {bfhCutLess, {{1, 0.5}, {4, 0.5}, {8, 1}}, "high < 0.5000"},
      {bfgCutLessEq, {{1, 0.5}, {4, 0.5}, {8, 1}}, "high <= 0.5000"},
      {bfhCutGreater, {{1, 0.2}, {4, 0.5}, {8, 0.5}}, "high > 0.5000"},
      {bfhCutGreaterEq, {{1, 0.2}, {4, 0.5}, {8, 0.5}}, "high >= 0.5000"},
  };
  for (const Case& C : kCases) {
    auto Set = MakeSet({{1, 0.2}, {4, 0.5}, {8, 1}});
    EXPECT_EQ(Set->Hedge(C.Op, 0.5, true), Set.get());
    EXPECT_EQ(PointsOf(*Set), C.Expected) << C.Name;
    EXPECT_EQ(Set->GetName(), C.Name);
    // The expression reads back as the same operation.
    EXPECT_EQ(Set->GetExpression(), C.Name);
  }
}

TEST(FuzzySetHedgesOperators, EveryOperatorOnXHeldInTheRange) {
  struct Case {
    TBaseFuzzyHedge Op;
    TPoints Expected;
    std::string Name;
  };
  const Case kCases[] = {
      {bfhAdd, {{4, 0.2}, {7, 0.5}, {10, 1}}, "high +X 3.0000"},
      {bfhSubtract, {{0, 0.2}, {1, 0.5}, {5, 1}}, "high -X 3.0000"},
      {bfhMultiply, {{3, 0.2}, {10, 0.5}, {10, 1}}, "high *X 3.0000"},
      {bfhDivide, {{1 * (1.0 / 3), 0.2}, {4 * (1.0 / 3), 0.5}, {8 * (1.0 / 3), 1}}, "high /X 3.0000"},
      {bfhPower, {{1, 0.2}, {10, 0.5}, {10, 1}}, "high ^X 3.0000"},
      {bfhCutLess, {{3, 0.2}, {4, 0.5}, {8, 1}}, "high <X 3.0000"},
      {bfgCutLessEq, {{3, 0.2}, {4, 0.5}, {8, 1}}, "high <=X 3.0000"},
      {bfhCutGreater, {{1, 0.2}, {3, 0.5}, {3, 1}}, "high >X 3.0000"},
      {bfhCutGreaterEq, {{1, 0.2}, {3, 0.5}, {3, 1}}, "high >=X 3.0000"},
  };
  for (const Case& C : kCases) {
    auto Set = MakeRanged(0, 10, {{1, 0.2}, {4, 0.5}, {8, 1}});
    Set->Hedge(C.Op, 3, false);
    EXPECT_EQ(PointsOf(*Set), C.Expected) << C.Name;
    EXPECT_EQ(Set->GetName(), C.Name);
    EXPECT_EQ(Set->GetExpression(), C.Name);
  }
}

TEST(FuzzySetHedgesOperators, SubtractionNamesWithTheFormatOfGeneratedNames) {
  struct TCase {
    const char* Format;
    char Separator;
    const char* Name;
  };
  for (const TCase& C : {TCase{"%.2f", ',', "high - 0,20"}, TCase{"%.4f", ',', "high - 0,2000"},
                         TCase{"%.4f", '.', "high - 0.2000"}, TCase{"%.1f", '.', "high - 0.2"}}) {
    auto Set = MakeSet({{0, 0.1}, {5, 0.8}});
    {
      TNumberSettings Settings(C.Format, C.Separator);
      Set->Hedge(bfhSubtract, 0.2, true);
    }

    EXPECT_EQ(PointsOf(*Set), (TPoints{{0, 0}, {5, 0.8 - 0.2}}));
    EXPECT_EQ(Set->GetName(), C.Name);
    // The expression is for reading back: full stop and four decimals whatever the settings.
    EXPECT_EQ(Set->GetExpression(), "high - 0.2000");
  }
}

TEST(FuzzySetHedgesOperators, CutAboveTheHeightChangesOnlyNameAndExpression) {
  auto Set = std::make_unique<TFuzzySet>(nullptr);
  Set->CreateTriangleFunctionValues(0, 5, 10);
  Set->SetName("high");
  Set->Hedge(bfhCutGreater, 1.5, true);
  EXPECT_EQ(PointsOf(*Set), kTriangle);
  // The closed update block still reports the list as changed.
  EXPECT_EQ(Set->GetSetType(), fstUserDefined);
  EXPECT_EQ(Set->GetName(), "high > 1.5000");
  EXPECT_EQ(Set->GetExpression(), "high > 1.5000");
}

TEST(FuzzySetHedgesOperators, PowerOnXLeavesPointsAtOrBelowZero) {
  auto Set = MakeSet({{-2, 0}, {0, 1}, {2, 0.5}, {3, 0}});
  Set->Hedge(bfhPower, 2, false);
  EXPECT_EQ(PointsOf(*Set), (TPoints{{-2, 0}, {0, 1}, {4, 0.5}, {9, 0}}));
}

TEST(FuzzySetHedgesOperators, MovingXRestoresTheOrder) {
  auto Set = MakeSet({{1, 0.2}, {4, 0.5}, {8, 1}});
  Set->Hedge(bfhMultiply, -1, false);
  EXPECT_EQ(PointsOf(*Set), (TPoints{{-8, 1}, {-4, 0.5}, {-1, 0.2}}));
  EXPECT_EQ(Set->GetName(), "high *X -1.0000");
}

TEST(FuzzySetHedgesOperators, ExpressionBuildsOnTheFormerExpression) {
  auto Set = MakeSet(kTriangle);
  Set->Hedge(bfhAdd, 0.1, true);
  EXPECT_EQ(Set->GetExpression(), "high + 0.1000");
  Set->Hedge(bfhMultiply, 2, false);
  EXPECT_EQ(Set->GetName(), "[high + 0.1000] *X 2.0000");
  EXPECT_EQ(Set->GetExpression(), "[high + 0.1000] *X 2.0000");
  Set->Hedge(fhVery);
  EXPECT_EQ(Set->GetExpression(), "very [[[high + 0.1000] *X 2.0000]]");

  auto Hedged = MakeSet(kTriangle);
  Hedged->Hedge(fhVery);
  Hedged->Hedge(bfhCutLess, 0.25, true);
  EXPECT_EQ(Hedged->GetName(), "[very high] < 0.2500");
  EXPECT_EQ(Hedged->GetExpression(), "[very high] < 0.2500");
}

TEST(FuzzySetHedgesOperators, DivisionByZeroRaisesAndChangesNothing) {
  for (const bool ModifyY : {true, false}) {
    auto Set = MakeSet(kTriangle);
    Set->SetExpression("kept");
    EXPECT_THROW_MSG(Set->Hedge(bfhDivide, 0, ModifyY), EFzyException,
                     ModifyY ? "Invalid hedge operation: \"kept / 0.0000\".  Division by zero"
                             : "Invalid hedge operation: \"kept /X 0.0000\".  Division by zero");
    EXPECT_EQ(PointsOf(*Set), kTriangle);
    EXPECT_EQ(Set->GetName(), "high");
    EXPECT_EQ(Set->GetExpression(), "kept");
    EXPECT_EQ(Set->GetValues()->GetUpdateCount(), 0);
  }
  // Also without points, and for a divisor whose reciprocal overflows.
  auto Empty = MakeSet({});
  EXPECT_THROW(Empty->Hedge(bfhDivide, -0.0, true), EFzyException);
  auto Tiny = MakeSet(kTriangle);
  EXPECT_THROW(Tiny->Hedge(bfhDivide, std::numeric_limits<TFzyFloat>::denorm_min(), true), EFzyException);
  EXPECT_EQ(PointsOf(*Tiny), kTriangle);
}

TEST(FuzzySetHedgesOperators, NoInfiniteOrUndefinedValueEntersThePoints) {
  const TFzyFloat Inf = std::numeric_limits<TFzyFloat>::infinity();
  const TFzyFloat NaN = std::numeric_limits<TFzyFloat>::quiet_NaN();
  struct Case {
    TBaseFuzzyHedge Op;
    TFzyFloat Value;
    bool ModifyY;
  };
  const Case kCases[] = {
      {bfhAdd, NaN, true},        {bfhCutLess, Inf, true},  {bfhMultiply, -Inf, false},
      {bfhMultiply, 1e308, true}, {bfhPower, -2000, true},
  };
  for (const Case& C : kCases) {
    auto Set = MakeSet({{0, 0.5}, {5, 1}, {10, 4}});
    EXPECT_THROW(Set->Hedge(C.Op, C.Value, C.ModifyY), EFzyException) << BaseHedgeNames[C.Op] << C.Value;
    EXPECT_EQ(PointsOf(*Set), (TPoints{{0, 0.5}, {5, 1}, {10, 4}}));
    EXPECT_EQ(Set->GetName(), "high");
    EXPECT_EQ(Set->GetValues()->GetUpdateCount(), 0);
  }
  EXPECT_THROW_MSG(MakeSet(kTriangle)->Hedge(bfhAdd, NaN, true), EFzyException,
                   "Invalid hedge operation: \"high + NAN\".  The result is not a finite number");
}

TEST(FuzzySetHedgesOperators, AnOverflowingXIsHeldAtTheRangeEnd) {
  auto Set = MakeSet({{-10, 0}, {10, 1}});
  Set->Hedge(bfhMultiply, 1e308, false);
  EXPECT_EQ(PointsOf(*Set), (TPoints{{-2147483647.0, 0}, {2147483647.0, 1}}));
  // A degree that runs off to minus infinity is a negative degree, stored as 0.
  auto Low = MakeSet({{0, 4}});
  Low->Hedge(bfhMultiply, -1e308, true);
  EXPECT_EQ(PointsOf(*Low), (TPoints{{0, 0}}));
}

// ---------------------------------------------------------------------------------------------
// Slightly: plus A and not very A, normalized and sharpened

TEST(FuzzySetHedgesSlightly, IsTheCompositeOfItsParts) {
  auto Set = MakeSet(kTriangle);
  Set->Hedge(fhSlightly);

  auto T1 = MakeSet(kTriangle);
  T1->Hedge(fhVery);
  T1->Hedge(fhNot);
  auto T2 = MakeSet(kTriangle);
  T2->Hedge(fhPlus);
  std::unique_ptr<TFuzzySet> R(T2->Intersection(T1.get()));
  R->Hedge(fhNormalize);
  R->Hedge(fhPositively);

  EXPECT_EQ(PointsOf(*Set), PointsOf(*R));
  EXPECT_DOUBLE_EQ(Height(*Set), 1);
  // Where the set is full, "not very" is empty; where it is empty, "plus" is.
  EXPECT_EQ(Set->DegreeOfMembership(5), 0);
  EXPECT_EQ(Set->DegreeOfMembership(0), 0);
  EXPECT_EQ(Set->DegreeOfMembership(10), 0);
  EXPECT_EQ(Set->GetName(), "slightly high");
  EXPECT_EQ(Set->GetExpression(), "[slightly high]");
  EXPECT_EQ(Set->GetValues()->GetUpdateCount(), 0);
}

// A collection that records what it hears, to show the working sets coming and going.
class TLoggedCollection : public TOwnedCollection {
 public:
  TLoggedCollection() : TOwnedCollection(nullptr, TFuzzySetClass::Of<TFuzzySet>()) {}
  ~TLoggedCollection() override { DestroyItems(); }
  std::vector<std::string> Log;

 protected:
  void Notify(TCollectionItem* Item, TCollectionNotification Action) override {
    TOwnedCollection::Notify(Item, Action);
    if (Action == cnAdded) Log.push_back("added");
    if (Action == cnExtracting) Log.push_back("extracting " + static_cast<TFuzzySet*>(Item)->GetName());
  }
  void Update(TCollectionItem* Item) override {
    TOwnedCollection::Update(Item);
    Log.push_back(Item == nullptr ? "update" : "update " + static_cast<TFuzzySet*>(Item)->GetName());
  }
};

TEST(FuzzySetHedgesSlightly, WorkingSetsLiveInTheCollectionInsideOneBlock) {
  TLoggedCollection Sets;
  auto* Set = static_cast<TFuzzySet*>(Sets.Add());
  Fill(*Set, kTriangle, "high");
  Sets.Log.clear();

  Set->Hedge(fhSlightly);
  EXPECT_EQ(Sets.GetCount(), 1);
  EXPECT_EQ(Sets.GetUpdateCount(), 0);
  EXPECT_THAT(Sets.Log, ElementsAre("added", "added", "added",  // T1, T2, R
                                    "extracting positively [normalize [[plus high] and [not [very high]]]]",
                                    "extracting not [very high]", "extracting plus high",
                                    "update", "update slightly high"));
}

TEST(FuzzySetHedgesSlightly, AnEmptySetRaisesAndLeavesNoWorkingSet) {
  TLoggedCollection Sets;
  auto* Set = static_cast<TFuzzySet*>(Sets.Add());
  Set->SetName("high");
  EXPECT_THROW_MSG(Set->Hedge(fhSlightly), EFzyException,
                   "Invalid operation: \"Get Maximum Y Value\".  Fuzzy set is empty");
  EXPECT_EQ(Sets.GetCount(), 1);
  EXPECT_EQ(Sets.GetUpdateCount(), 0);
  EXPECT_EQ(Set->GetName(), "high");
  EXPECT_EQ(Set->GetValues()->GetUpdateCount(), 0);

  auto Alone = MakeSet({});
  EXPECT_THROW(Alone->Hedge(fhSlightly), EFzyException);
  EXPECT_EQ(Alone->GetName(), "high");
}

}  // namespace
}  // namespace tarnwick
