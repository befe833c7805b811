// The set side of rule inference: correlating a consequent with a rule's strength, inferring it
// into the evidence, and turning a set back into one crisp value (centre of gravity, mean of
// maxima).
#include <algorithm>
#include <cmath>
#include <iterator>

#include "tarnwick/model/FuzzySet.h"
#include "tarnwick/model/FuzzySetWalk.h"

namespace tarnwick {
namespace {

constexpr TFzyFloat EPS = 1e-4;

// The area under the segment (X1, Y1) -> (X2, Y2) and its centroid. The shape is judged on the
// degrees as they are; the area is taken on the degrees times Scale, which is 1 except when the
// unscaled sums would overflow.
void SegmentMomentXY(TFzyFloat X1, TFzyFloat Y1, TFzyFloat X2, TFzyFloat Y2, TFzyFloat Scale, TFzyFloat& Area,
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
  if (FloatEquals(Y1, Y2)) {  // rectangle
    Area = DX * S1;
    Centroid = (X1 + X2) * 0.5;
  } else if (Zero1) {  // triangle rising from 0: its centroid lies two thirds along
    Area = DX * 0.5 * std::abs(S2 - S1);
    Centroid = X1 + TWO_THIRDS * DX;
  } else if (Zero2) {  // triangle falling to 0: one third along
    Area = DX * 0.5 * std::abs(S2 - S1);
    Centroid = X1 + ONE_THIRD * DX;
  } else {  // trapezoid
    Area = DX * 0.5 * (S1 + S2);
    Centroid = X1 + TWO_THIRDS * DX * (S2 + 0.5 * S1) / (S1 + S2);
  }
}

// The moment and area sums of the whole membership function over [Min, Max]: the rectangles
// that continue the end degrees to the range ends, and every segment between them. The moment
// sum is kept in extended precision, so that the rounding of the centroids does not pull the
// centre off (the two halves of a symmetric triangle balance exactly at its middle).
void SumMoments(const TFuzzySetValues& V, TFzyFloat Min, TFzyFloat Max, TFzyFloat Scale, long double& Moment,
                TFzyFloat& Area) {
  Moment = 0;
  Area = 0;
  auto It = V.begin();
  const auto End = V.end();
  const auto* First = static_cast<const TFuzzySetValue*>(*It);
  TFzyFloat PrevX = First->GetX();
  TFzyFloat PrevY = First->GetY();
  if (PrevY > 0 && !FloatEquals(PrevX, Min)) {
    const TFzyFloat A = (PrevX - Min) * (PrevY * Scale);
    Moment += static_cast<long double>((PrevX + Min) * 0.5) * A;
    Area += A;
  }
  for (++It; It != End; ++It) {
    const auto* P = static_cast<const TFuzzySetValue*>(*It);
    const TFzyFloat X = P->GetX();
    const TFzyFloat Y = P->GetY();
    TFzyFloat A;
    TFzyFloat Centroid;
    SegmentMomentXY(PrevX, PrevY, X, Y, Scale, A, Centroid);
    Moment += static_cast<long double>(Centroid) * A;
    Area += A;
    PrevX = X;
    PrevY = Y;
  }
  if (PrevY > 0 && !FloatEquals(PrevX, Max)) {
    const TFzyFloat A = (Max - PrevX) * (PrevY * Scale);
    Moment += static_cast<long double>((PrevX + Max) * 0.5) * A;
    Area += A;
  }
}

// The operation behind each inference method.
constexpr TFuzzyOperation kInferenceOperations[] = {foZadeh, foSum, foMean, foProduct, foBoundedSum};
static_assert(std::size(kInferenceOperations) == kFuzzyInferenceMethodCount, "one operation per inference method");

}  // namespace

namespace detail {

// A method past the table has no operation: it is handed on as an operation past the last one,
// which the set algebra rejects with its own message.
TFuzzyOperation InferenceOperation(TFuzzyInferenceMethod InferenceMethod) noexcept {
  return InferenceMethod < kFuzzyInferenceMethodCount ? kInferenceOperations[InferenceMethod]
                                                      : static_cast<TFuzzyOperation>(kFuzzyOperationCount);
}

}  // namespace detail

// Correlation is an arithmetic hedge on the degrees, so it renames the set and gives it an
// expression the way that hedge does. The minimum caps the degrees of the points and adds none
// where the line passes the strength, so between points the result may lie below
// min(membership, strength): the triangle capped at 0.5 stays a triangle, with its peak at 0.5.
TFuzzySet* TFuzzySet::Correlate(TFzyFloat CorrelationStrength, TFuzzyCorrelationMethod CorrelationMethod) {
  return Hedge(CorrelationMethod == fcmProduct ? bfhMultiply : bfhCutGreater, CorrelationStrength, true);
}

TFuzzySet* TFuzzySet::Correlate(TFzyFloat CorrelationStrength) {
  return Correlate(CorrelationStrength, GetLogicCorrelationMethod());
}

TFuzzySet* TFuzzySet::Infer(const TFuzzySet* NewEvidence, TFuzzyInferenceMethod InferenceMethod,
                            bool Unconditional) const {
  const TFuzzyOperation Op = detail::InferenceOperation(InferenceMethod);
  return Unconditional ? Intersection(NewEvidence, Op) : Union(NewEvidence, Op);
}

TFuzzySet* TFuzzySet::Infer(const TFuzzySet* NewEvidence, bool Unconditional) const {
  return Infer(NewEvidence, GetLogicInferenceMethod(), Unconditional);
}

void TFuzzySet::SegmentMoment(const TFuzzySetValue* P1, const TFuzzySetValue* P2, TFzyFloat& Area,
                              TFzyFloat& Centroid) {
  SegmentMomentXY(P1->GetX(), P1->GetY(), P2->GetX(), P2->GetY(), 1, Area, Centroid);
}

TFzyFloat TFuzzySet::CenterOfGravity() const {
  const TFuzzySetValues& V = *FValues;
  const std::int32_t Count = V.GetCount();
  if (Count == 0) return 0;
  const TFzyFloat Min = GetXRange(1);
  const TFzyFloat Max = GetXRange(0);
  // A single X (one point, or a crisp value's spike) has no width to weigh: the middle of the
  // range stands for it.
  if (Count == 1 || FloatEquals(V[0]->GetX(), V[Count - 1]->GetX())) return (Max - Min) * 0.5 + Min;
  long double Moment;
  TFzyFloat Area;
  SumMoments(V, Min, Max, 1, Moment, Area);
  if (!std::isfinite(Moment) || !std::isfinite(Area)) {
    // Degrees so large that the sums overflow: the centroid does not change when every degree
    // is divided by the height, so sum again on degrees of at most 1.
    TFzyFloat Height = 0;
    for (std::int32_t I = 0; I < Count; ++I) Height = std::max(Height, V[I]->GetY());
    SumMoments(V, Min, Max, 1 / Height, Moment, Area);
  }
  if (Area == 0) return 0;
  const TFzyFloat Result = static_cast<TFzyFloat>(Moment / Area);
  // Only points that are themselves not finite get here without a finite centre; they have
  // no centre to give.
  return std::isfinite(Result) ? Result : 0;
}

TFzyFloat TFuzzySet::MeanOfMaxima() const {
  const TFuzzySetValues& V = *FValues;
  if (V.GetCount() == 0) return 0;
  // The height of a run of maxima is that of its first point; degrees within the tolerance of
  // it join the run, wherever they lie, and only a clearly higher degree starts a new one.
  auto It = V.begin();
  const auto End = V.end();
  const auto* First = static_cast<const TFuzzySetValue*>(*It);
  TFzyFloat Sum = First->GetX();
  TFzyFloat Height = First->GetY();
  std::int32_t Maxima = 1;
  for (++It; It != End; ++It) {
    const auto* P = static_cast<const TFuzzySetValue*>(*It);
    const TFzyFloat Y = P->GetY();
    if (Y > Height - EPS && Y < Height + EPS) {
      Sum += P->GetX();
      ++Maxima;
    } else if (Y > Height) {
      Sum = P->GetX();
      Height = Y;
      Maxima = 1;
    }
  }
  return Sum / Maxima;
}

TFzyFloat TFuzzySet::Defuzzify() const {
  return GetLogicDefuzzificationMethod() == dmMeanOfMaxima ? MeanOfMaxima() : CenterOfGravity();
}

bool TFuzzySet::IsUndecidable() const {
  const TFuzzySetValues& V = *FValues;
  const std::int32_t Count = V.GetCount();
  if (Count == 0) return true;
  const TFzyFloat First = V[0]->GetY();
  if (First != 0 && First != 1) return false;
  for (std::int32_t I = 1; I < Count; ++I)
    if (V[I]->GetY() != First) return false;
  return true;
}

}  // namespace tarnwick
