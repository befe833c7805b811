// The two-set walk and the set operations built on it: Operator and Iterate, union and
// intersection under every TFuzzyOperation, the threshold match Equals and the correlation
// strength, with the segment intersection test and the point combiners they use.
#include <algorithm>
#include <cmath>
#include <string>
#include <string_view>

#include "tarnwick/model/FuzzySet.h"
#include "tarnwick/platform/Format.h"

namespace tarnwick {

namespace {

// ORDER OPERATION: the names of the TFuzzyOperation values, for messages.
constexpr auto FuzzyOperationValueNames = std::to_array<std::string_view>(
    {"foZadeh", "foMean", "foMeanSqr", "foMeanSqrt", "foProduct", "foBoundedSum", "foSum"});
static_assert(FuzzyOperationValueNames.size() == kFuzzyOperationCount, "one name per operation");

[[noreturn]] void RaiseInvalidOperation(TFuzzyOperation Operation) {
  const std::string Name = Operation < kFuzzyOperationCount ? std::string(FuzzyOperationValueNames[Operation])
                                                           : std::to_string(static_cast<int>(Operation));
  throw EFzyException(Format(LoadResString(SInvalidFuzzyOperation), {Name}));
}

// Strictly between Lo and Hi, in either order.
inline bool StrictlyBetween(TFzyFloat Value, TFzyFloat Lo, TFzyFloat Hi) {
  return (Lo < Value && Value < Hi) || (Lo > Value && Value > Hi);
}

// Where segment A (AX1, AY1)-(AX2, AY2) meets segment B (BX1, BY1)-(BX2, BY2). A segment shorter
// than the tolerance on both axes counts as a point and must lie on the other segment's line.
// Parallel segments meet only when collinear, and then at the nearer right-hand end. X and Y are
// written only when the segments meet.
bool SegmentsMeet(TFzyFloat AX1, TFzyFloat AY1, TFzyFloat AX2, TFzyFloat AY2, TFzyFloat BX1, TFzyFloat BY1,
                  TFzyFloat BX2, TFzyFloat BY2, TFzyFloat& X, TFzyFloat& Y) {
  const TFzyFloat DXA = AX2 - AX1;
  const TFzyFloat DYA = AY2 - AY1;
  const TFzyFloat DXB = BX2 - BX1;
  const TFzyFloat DYB = BY2 - BY1;
  const TFzyFloat RX = AX1 - BX1;
  const TFzyFloat RY = AY1 - BY1;
  if (std::fabs(DYA) < kFuzzyTolerance && std::fabs(DXA) < kFuzzyTolerance &&
      !FloatEquals(TFuzzySet::InterpolateY(BX1, BY1, BX2, BY2, AX2), AY2))
    return false;
  if (std::fabs(DYB) < kFuzzyTolerance && std::fabs(DXB) < kFuzzyTolerance &&
      !FloatEquals(TFuzzySet::InterpolateY(AX1, AY1, AX2, AY2, BX2), BY2))
    return false;
  const TFzyFloat Den = DXA * DYB - DYA * DXB;
  const TFzyFloat NumT = RY * DXB - RX * DYB;
  if (std::fabs(Den) < kFuzzyTolerance) {
    if (NumT != 0) return false;
    // Collinear, overlapping or not.
    if (BX2 > AX2) {
      X = AX2;
      Y = AY2;
    } else {
      X = BX2;
      Y = BY2;
    }
    return true;
  }
  const TFzyFloat T = NumT / Den;
  if (T < 0 || T > 1) return false;
  const TFzyFloat NumU = RY * DXA - RX * DYA;
  if (!(NumU == 0 || (Sign(NumU) == Sign(Den) && std::fabs(NumU) <= std::fabs(Den)))) return false;
  // A vertical or flat segment gives its own coordinate exactly, free of rounding.
  X = DXA == 0 ? AX1 : (DXB == 0 ? BX1 : AX1 + T * DXA);
  Y = BY1 == BY2 ? BY1 : (AY1 == AY2 ? AY1 : AY1 + T * DYA);
  return true;
}

struct TPoint {
  TFzyFloat X;
  TFzyFloat Y;
};

// One operand of the walk, read only.
class TWalkOperand {
 public:
  explicit TWalkOperand(const TFuzzySet& Set) : FSet(Set), FValues(*Set.GetValues()) {}
  std::int32_t Count() const { return FValues.GetCount(); }
  TPoint Point(std::int32_t Index) const {
    const TFuzzySetValue* P = FValues[Index];
    return {P->GetX(), P->GetY()};
  }
  // Every degree within the tolerance of the first; needs a point.
  bool IsFlat() const { return FValues.SkipY(0, FValues[0]->GetY(), 1) == -1; }
  TFzyFloat Degree(TFzyFloat X) const { return FSet.DegreeOfMembership(X); }

 private:
  const TFuzzySet& FSet;
  const TFuzzySetValues& FValues;
};

// The two-set walk over A (the receiver) and B: every point of both in order of X, and every
// crossing of their membership lines, each handed to Visit(X1, Y1, X2, Y2) with (X1, Y1) on A
// and (X2, Y2) on B. Returns true when Visit stopped the walk by returning true.
//
// Invariant of the loop: PrevA and PrevB are the points of A and B visited last (the first
// points before any visit), CurA and CurB the next unvisited ones (the last points once a set
// is used up), so the segments PrevA-CurA and PrevB-CurB bracket the walk's position and their
// crossing, if any, comes before the next point. A crossing may repeat a point that the merge
// step then visits again; the result's point store removes such duplicates.
template <typename TVisit>
bool Walk(const TWalkOperand& A, const TWalkOperand& B, TVisit&& Visit) {
  const std::int32_t CountA = A.Count();
  const std::int32_t CountB = B.Count();
  if (CountA == 0 || CountB == 0) {
    const TWalkOperand& Other = CountA == 0 ? B : A;
    for (std::int32_t I = 0; I < Other.Count(); ++I) {
      const TPoint P = Other.Point(I);
      if (Visit(P.X, P.Y, P.X, P.Y)) return true;
    }
    return false;
  }

  const bool FlatA = A.IsFlat();
  const bool FlatB = B.IsFlat();
  TPoint PrevA = A.Point(0);
  TPoint PrevB = B.Point(0);
  TPoint CurA = PrevA;
  TPoint CurB = PrevB;
  std::int32_t I = 0;
  std::int32_t J = 0;
  while (I < CountA || J < CountB) {
    if (I < CountA) CurA = A.Point(I);
    if (J < CountB) CurB = B.Point(J);

    // Crossing. A flat operand crosses the other's segment at its own level; otherwise the two
    // segments are intersected.
    TFzyFloat X;
    TFzyFloat Y;
    if (FlatA && StrictlyBetween(CurA.Y, PrevB.Y, CurB.Y)) {
      X = TFuzzySet::InterpolateX(PrevB.X, PrevB.Y, CurB.X, CurB.Y, CurA.Y);
      if (Visit(X, CurA.Y, X, CurA.Y)) return true;
    } else if (FlatB && StrictlyBetween(CurB.Y, PrevA.Y, CurA.Y)) {
      X = TFuzzySet::InterpolateX(PrevA.X, PrevA.Y, CurA.X, CurA.Y, CurB.Y);
      if (Visit(X, CurB.Y, X, CurB.Y)) return true;
    } else if (SegmentsMeet(PrevA.X, PrevA.Y, CurA.X, CurA.Y, PrevB.X, PrevB.Y, CurB.X, CurB.Y, X, Y)) {
      if (Visit(X, Y, X, Y)) return true;
    }

    // Merge: the next point of either set, both at once when they share an X.
    const bool TakeA = I < CountA;
    const bool TakeB = J < CountB;
    if (TakeA && TakeB && FloatEquals(CurA.X, CurB.X)) {
      if (Visit(CurA.X, CurA.Y, CurB.X, CurB.Y)) return true;
      ++I;
      ++J;
      PrevA = CurA;
      PrevB = CurB;
    } else if (TakeB && (!TakeA || CurB.X < CurA.X)) {
      if (Visit(CurB.X, A.Degree(CurB.X), CurB.X, CurB.Y)) return true;
      ++J;
      PrevB = CurB;
    } else {
      if (Visit(CurA.X, CurA.Y, CurA.X, B.Degree(CurA.X))) return true;
      ++I;
      PrevA = CurA;
    }
  }
  return false;
}

// Thins runs of neighbours with equal degrees, in the order the points were added: a run at the
// start keeps its last point, one inside its first and last, one at the end its first; a list
// of one degree keeps its last point.
void CollapsePlateaus(TFuzzySetValues& Values) {
  std::int32_t J = 1;
  std::int32_t K = 1;
  while (J < Values.GetCount()) {
    if (FloatEquals(Values[J - 1]->GetY(), Values[J]->GetY())) {
      ++K;
      if (K < 2) ++J;
      else Values.Delete(J - 1);
    } else {
      ++J;
      K = 0;
    }
  }
  const std::int32_t Count = Values.GetCount();
  if (Count > 1 && FloatEquals(Values[Count - 2]->GetY(), Values[Count - 1]->GetY())) Values.Delete(Count - 1);
}

// An operand as it reads inside a combined expression.
std::string OperandText(const TFuzzySet& Set) {
  return FormatFuzzyExpression(Set.GetExpression().empty() ? Set.GetName() : Set.GetExpression());
}

// Everything of Operator after R was created: name, walk inside one update block of R's points,
// plateau collapse, expression. The block is ended and the expression set on every way out. R
// without a collection has no owner until it is returned, so a failure frees it.
template <typename TVisit>
TFuzzySet* BuildResult(const TFuzzySet& A, const TFuzzySet& B, TFuzzySet* R, std::string_view Keyword,
                       TVisit&& Visit) {
  std::unique_ptr<TFuzzySet> Orphan(R->GetCollection() == nullptr ? R : nullptr);
  auto SetExpression = [&] { R->SetExpression(OperandText(A) + " " + std::string(Keyword) + " " + OperandText(B)); };
  try {
    R->SetName(CreateFuzzyName(A.GetName(), B.GetName(), Keyword));
    TFuzzySetValues& Values = *R->GetValues();
    const TWalkOperand OperandA(A);
    const TWalkOperand OperandB(B);
    const bool BothHavePoints = OperandA.Count() > 0 && OperandB.Count() > 0;
    TUpdateBlock<TCollection> Block(Values);
    const bool Stopped = Walk(OperandA, OperandB, [&](TFzyFloat X1, TFzyFloat Y1, TFzyFloat X2, TFzyFloat Y2) {
      return Visit(&Values, X1, Y1, X2, Y2);
    });
    if (BothHavePoints && !Stopped) CollapsePlateaus(Values);
  } catch (...) {
    SetExpression();
    throw;
  }
  SetExpression();
  Orphan.release();
  return R;
}

// Every combiner appends through here. Both coordinates go in one edit, so the point store
// judges the whole point: a repeated visit is recognised as a duplicate even when its degree
// is 0, the value a new point starts with.
inline bool AddCombined(TFuzzySetValues* FuzzySet, TFzyFloat X, TFzyFloat Y) {
  FuzzySet->Add(X, Y);
  return false;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Segment intersection

bool TFuzzySet::LineSegmentIntersects(TFzyFloat AX1, TFzyFloat AY1, TFzyFloat AX2, TFzyFloat AY2, TFzyFloat BX1,
                                      TFzyFloat BY1, TFzyFloat BX2, TFzyFloat BY2, TFzyFloat& X, TFzyFloat& Y) {
  return SegmentsMeet(AX1, AY1, AX2, AY2, BX1, BY1, BX2, BY2, X, Y);
}

std::unique_ptr<TFuzzySetValue> TFuzzySet::LineSegmentIntersects(const TFuzzySetValue* A1, const TFuzzySetValue* A2,
                                                                 const TFuzzySetValue* B1,
                                                                 const TFuzzySetValue* B2) {
  TFzyFloat X;
  TFzyFloat Y;
  if (!SegmentsMeet(A1->GetX(), A1->GetY(), A2->GetX(), A2->GetY(), B1->GetX(), B1->GetY(), B2->GetX(),
                    B2->GetY(), X, Y))
    return nullptr;
  // A point of no list has no range to hold it in: it keeps the coordinates as they are.
  auto Result = std::make_unique<TFuzzySetValue>(nullptr);
  Result->SetValue(X, Y);
  return Result;
}

// ---------------------------------------------------------------------------------------------
// Combiners and comparisons

bool TFuzzySet::FuzzyOperatorMin(TFuzzySetValues* FuzzySet, TFzyFloat X1, TFzyFloat Y1, TFzyFloat, TFzyFloat Y2) {
  return AddCombined(FuzzySet, X1, std::min(Y1, Y2));
}

bool TFuzzySet::FuzzyOperatorMax(TFuzzySetValues* FuzzySet, TFzyFloat X1, TFzyFloat Y1, TFzyFloat, TFzyFloat Y2) {
  return AddCombined(FuzzySet, X1, std::max(Y1, Y2));
}

bool TFuzzySet::FuzzyOperatorMean(TFuzzySetValues* FuzzySet, TFzyFloat X1, TFzyFloat Y1, TFzyFloat, TFzyFloat Y2) {
  return AddCombined(FuzzySet, X1, (Y1 + Y2) / 2);
}

bool TFuzzySet::FuzzyOperatorUnionMean(TFuzzySetValues* FuzzySet, TFzyFloat X1, TFzyFloat Y1, TFzyFloat,
                                       TFzyFloat Y2) {
  return AddCombined(FuzzySet, X1, (2 * std::min(Y1, Y2) + 4 * std::max(Y1, Y2)) / 6);
}

bool TFuzzySet::FuzzyOperatorMeanSqr(TFuzzySetValues* FuzzySet, TFzyFloat X1, TFzyFloat Y1, TFzyFloat,
                                     TFzyFloat Y2) {
  const TFzyFloat Mean = (Y1 + Y2) / 2;
  return AddCombined(FuzzySet, X1, Mean * Mean);
}

bool TFuzzySet::FuzzyOperatorMeanSqrt(TFuzzySetValues* FuzzySet, TFzyFloat X1, TFzyFloat Y1, TFzyFloat,
                                      TFzyFloat Y2) {
  // A rounding residue below 0 would give NaN; the point store would store any negative as 0.
  return AddCombined(FuzzySet, X1, std::sqrt(std::max<TFzyFloat>(0, (Y1 + Y2) / 2)));
}

bool TFuzzySet::FuzzyOperatorIntersectionProduct(TFuzzySetValues* FuzzySet, TFzyFloat X1, TFzyFloat Y1, TFzyFloat,
                                                 TFzyFloat Y2) {
  return AddCombined(FuzzySet, X1, Y1 * Y2);
}

bool TFuzzySet::FuzzyOperatorUnionProduct(TFuzzySetValues* FuzzySet, TFzyFloat X1, TFzyFloat Y1, TFzyFloat,
                                          TFzyFloat Y2) {
  return AddCombined(FuzzySet, X1, Y1 + Y2 - Y1 * Y2);
}

bool TFuzzySet::FuzzyOperatorIntersectionBoundedSum(TFuzzySetValues* FuzzySet, TFzyFloat X1, TFzyFloat Y1,
                                                    TFzyFloat, TFzyFloat Y2) {
  return AddCombined(FuzzySet, X1, std::max<TFzyFloat>(0, Y1 + Y2 - 1));
}

bool TFuzzySet::FuzzyOperatorUnionBoundedSum(TFuzzySetValues* FuzzySet, TFzyFloat X1, TFzyFloat Y1, TFzyFloat,
                                             TFzyFloat Y2) {
  return AddCombined(FuzzySet, X1, std::min<TFzyFloat>(1, Y1 + Y2));
}

bool TFuzzySet::FuzzyOperatorUnionSum(TFuzzySetValues* FuzzySet, TFzyFloat X1, TFzyFloat Y1, TFzyFloat,
                                      TFzyFloat Y2) {
  return AddCombined(FuzzySet, X1, Y1 + Y2);
}

TFzyFloat TFuzzySet::GetEqualsThreshold() const {
  TFzyFloat Threshold = kThresholdWithoutVariable;
  GetVariableThreshold(Threshold);
  return Threshold;
}

bool TFuzzySet::FuzzyOperatorMinThreshold(TFzyFloat, TFzyFloat Y1, TFzyFloat, TFzyFloat Y2) const {
  return std::min(Y1, Y2) >= GetEqualsThreshold();
}

bool TFuzzySet::FuzzyOperatorMaxOfMin(TFzyFloat, TFzyFloat Y1, TFzyFloat, TFzyFloat Y2) const {
  const TFzyFloat M = std::min(Y1, Y2);
  if (M > FMax) FMax = M;
  return false;
}

// ---------------------------------------------------------------------------------------------
// Operator and Iterate

TFuzzySet* TFuzzySet::Operator(const TFuzzySet* FuzzySet, const std::string& OperatorKeyword,
                               const TFuzzyOperator& FuzzyOperator) const {
  return BuildResult(*this, *FuzzySet, NewInstance(GetCollection()), OperatorKeyword, FuzzyOperator);
}

TFuzzySet* TFuzzySet::ApplyOperator(const TFuzzySet* FuzzySet, std::string_view OperatorKeyword,
                                    TFuzzyOperatorFunc FuzzyOperator) const {
  return BuildResult(*this, *FuzzySet, NewInstance(GetCollection()), OperatorKeyword, FuzzyOperator);
}

bool TFuzzySet::Iterate(const TFuzzySet* FuzzySet, const TFuzzyComparison& FuzzyOperator) const {
  const TWalkOperand A(*this);
  const TWalkOperand B(*FuzzySet);
  if (A.Count() == 0 && B.Count() == 0) return true;
  return Walk(A, B, FuzzyOperator);
}

// ---------------------------------------------------------------------------------------------
// Intersection and union

TFuzzySet* TFuzzySet::Intersection(const TFuzzySet* FuzzySet) const {
  return ApplyOperator(FuzzySet, FuzzyIntersectionKeywords[foZadeh], &FuzzyOperatorMin);
}

TFuzzySet* TFuzzySet::Union(const TFuzzySet* FuzzySet) const {
  return ApplyOperator(FuzzySet, FuzzyUnionKeywords[foZadeh], &FuzzyOperatorMax);
}

TFuzzySet* TFuzzySet::Intersection(const TFuzzySet* FuzzySet, TFuzzyOperation IntersectionType) const {
  // ORDER OPERATION. A sum is no intersection: its entry is empty.
  static constexpr TFuzzyOperatorFunc kCombiners[] = {
      &FuzzyOperatorMin,        &FuzzyOperatorMean,
      &FuzzyOperatorMeanSqr,    &FuzzyOperatorMeanSqrt,
      &FuzzyOperatorIntersectionProduct, &FuzzyOperatorIntersectionBoundedSum,
      nullptr};
  static_assert(std::size(kCombiners) == kFuzzyOperationCount, "one entry per operation");
  if (IntersectionType >= kFuzzyOperationCount || kCombiners[IntersectionType] == nullptr)
    RaiseInvalidOperation(IntersectionType);
  return ApplyOperator(FuzzySet, FuzzyIntersectionKeywords[IntersectionType], kCombiners[IntersectionType]);
}

TFuzzySet* TFuzzySet::Union(const TFuzzySet* FuzzySet, TFuzzyOperation UnionType) const {
  // ORDER OPERATION
  static constexpr TFuzzyOperatorFunc kCombiners[] = {
      &FuzzyOperatorMax,         &FuzzyOperatorUnionMean,
      &FuzzyOperatorMeanSqr,     &FuzzyOperatorMeanSqrt,
      &FuzzyOperatorUnionProduct, &FuzzyOperatorUnionBoundedSum,
      &FuzzyOperatorUnionSum};
  static_assert(std::size(kCombiners) == kFuzzyOperationCount, "one entry per operation");
  if (UnionType >= kFuzzyOperationCount) RaiseInvalidOperation(UnionType);
  return ApplyOperator(FuzzySet, FuzzyUnionKeywords[UnionType], kCombiners[UnionType]);
}

// ---------------------------------------------------------------------------------------------
// Equality and correlation strength

bool TFuzzySet::Equals(const TFuzzySet* FuzzySet) const {
  const TWalkOperand A(*this);
  const TWalkOperand B(*FuzzySet);
  if (A.Count() == 0 && B.Count() == 0) return true;
  const TFzyFloat Threshold = GetEqualsThreshold();
  return Walk(A, B, [Threshold](TFzyFloat, TFzyFloat Y1, TFzyFloat, TFzyFloat Y2) {
    return std::min(Y1, Y2) >= Threshold;
  });
}

TFzyFloat TFuzzySet::FuzzyEquals(const TFuzzySet* FuzzySet) const { return GetCorrelationStrength(FuzzySet); }

TFzyFloat TFuzzySet::GetCorrelationStrength(const TFuzzySet* Match) const {
  FMax = 0;
  Walk(TWalkOperand(*this), TWalkOperand(*Match), [this](TFzyFloat X1, TFzyFloat Y1, TFzyFloat X2, TFzyFloat Y2) {
    return FuzzyOperatorMaxOfMin(X1, Y1, X2, Y2);
  });
  return FMax;
}

}  // namespace tarnwick
