// The set side of rule inference: correlating a consequent with a rule's strength, inferring it
// into the evidence, and turning a set back into one crisp value (centre of gravity, mean of
// maxima).
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <iterator>
#include <span>
#include <type_traits>

#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#endif

#include "tarnwick/model/FuzzySet.h"
#include "tarnwick/model/detail/CentroidLanes.h"
#include "tarnwick/model/detail/FuzzySetWalk.h"

namespace tarnwick {
namespace {

// The area under the segment (X1, Y1) -> (X2, Y2) and its centroid. The shape is judged on the
// degrees as they are; the area is taken on the degrees times Scale, which is 1 except when the
// unscaled sums would overflow. Inlined: a call from the sums' loop would have to save and
// reload the extended-precision moment sum around it.
[[gnu::always_inline]] inline void SegmentMomentXY(TFzyFloat X1, TFzyFloat Y1, TFzyFloat X2, TFzyFloat Y2,
                                                   TFzyFloat Scale, TFzyFloat& Area, TFzyFloat& Centroid) {
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

// Adds one piece of area and its centroid to the sums.
inline void AddMoment(long double& Moment, TFzyFloat& Area, TFzyFloat Centroid, TFzyFloat A) {
  Moment += static_cast<long double>(Centroid) * A;
  Area += A;
}

// Adds the segments that end at points First .. Count - 1, one by one.
inline void SumSegments(const TFuzzyPoint* P, std::size_t First, std::size_t Count, TFzyFloat Scale, long double& Moment,
                 TFzyFloat& Area) {
  for (std::size_t I = First; I < Count; ++I) {
    TFzyFloat A;
    TFzyFloat Centroid;
    SegmentMomentXY(P[I - 1].X, P[I - 1].Y, P[I].X, P[I].Y, Scale, A, Centroid);
    AddMoment(Moment, Area, Centroid, A);
  }
}

#if defined(__GNUC__) && defined(__x86_64__)
// The loads read two neighbouring points of a flat copy as four doubles X, Y, X, Y.
static_assert(std::is_same_v<TFzyFloat, double>, "a lane holds one coordinate");
static_assert(std::is_standard_layout_v<TFuzzyPoint> && offsetof(TFuzzyPoint, X) == 0 &&
                  offsetof(TFuzzyPoint, Y) == sizeof(double) && sizeof(TFuzzyPoint) == 2 * sizeof(double),
              "a point is its X and then its Y, with nothing between or after them");

// The sums are most of the time of a centroid, and nearly every segment of a set is a plain
// trapezoid: no zero degree at either end, X apart and degrees apart. So the segments go four
// at a time through the shape tests and the trapezoid's formulas, in the four lanes of an AVX
// register, where each lane rounds exactly as the scalar code does (and nothing is fused); a
// segment of another shape is then worked out again on its own. The sums still take the
// segments one by one, in order, so every result keeps its bits. Scaled is false when Scale
// is 1, whose products are the degrees themselves. Gives the first point whose segment is left.
template <bool Scaled>
[[gnu::target("avx")]] std::size_t SumSegmentsByFour(const TFuzzyPoint* P, std::size_t Count, TFzyFloat Scale,
                                                      long double& MomentSum, TFzyFloat& AreaSum) {
  // Local sums: a store through the references could change the points as far as the compiler
  // can tell, and they would be read again.
  long double Moment = MomentSum;
  TFzyFloat Area = AreaSum;
  const __m256d Tolerance = _mm256_set1_pd(kFuzzyTolerance);
  const __m256d Magnitude = _mm256_castsi256_pd(_mm256_set1_epi64x(0x7fffffffffffffff));
  const __m256d Half = _mm256_set1_pd(0.5);
  const __m256d One = _mm256_set1_pd(1);
  const __m256d TwoThirds = _mm256_set1_pd(TWO_THIRDS);
  const __m256d ScaleBy = _mm256_set1_pd(Scale);
  // The lanes hold the segments ending at points I, I + 2, I + 1 and I + 3: the order in which
  // the unpacking, which stays within each half of the register, leaves them.
  constexpr std::size_t kSegmentOfLane[4] = {0, 2, 1, 3};
  std::size_t I = 1;
  for (; I + 3 < Count; I += 4) {
    const __m256d From = _mm256_loadu_pd(&P[I - 1].X);  // points I - 1 and I
    const __m256d To = _mm256_loadu_pd(&P[I].X);        // points I and I + 1
    const __m256d From2 = _mm256_loadu_pd(&P[I + 1].X);
    const __m256d To2 = _mm256_loadu_pd(&P[I + 2].X);
    const __m256d X1 = _mm256_unpacklo_pd(From, From2);
    const __m256d Y1 = _mm256_unpackhi_pd(From, From2);
    const __m256d X2 = _mm256_unpacklo_pd(To, To2);
    const __m256d Y2 = _mm256_unpackhi_pd(To, To2);
    // FloatEquals lane by lane; |Y| <= tolerance is FloatEquals(Y, 0).
    const __m256d Zero = _mm256_or_pd(_mm256_cmp_pd(_mm256_and_pd(Y1, Magnitude), Tolerance, _CMP_LE_OQ),
                                      _mm256_cmp_pd(_mm256_and_pd(Y2, Magnitude), Tolerance, _CMP_LE_OQ));
    const __m256d EqualX = _mm256_and_pd(_mm256_cmp_pd(X1, _mm256_sub_pd(X2, Tolerance), _CMP_GE_OQ),
                                         _mm256_cmp_pd(X1, _mm256_add_pd(X2, Tolerance), _CMP_LE_OQ));
    const __m256d EqualY = _mm256_and_pd(_mm256_cmp_pd(Y1, _mm256_sub_pd(Y2, Tolerance), _CMP_GE_OQ),
                                         _mm256_cmp_pd(Y1, _mm256_add_pd(Y2, Tolerance), _CMP_LE_OQ));
    const __m256d OtherShape = _mm256_or_pd(Zero, _mm256_or_pd(EqualX, EqualY));
    const int Other = _mm256_movemask_pd(OtherShape);
    const __m256d S1 = Scaled ? _mm256_mul_pd(Y1, ScaleBy) : Y1;
    const __m256d S2 = Scaled ? _mm256_mul_pd(Y2, ScaleBy) : Y2;
    const __m256d DX = _mm256_sub_pd(X2, X1);
    const __m256d Sum = _mm256_add_pd(S1, S2);
    alignas(32) TFzyFloat A[4];
    alignas(32) TFzyFloat Centroid[4];
    _mm256_store_pd(A, _mm256_mul_pd(_mm256_mul_pd(DX, Half), Sum));
    const __m256d Weight = _mm256_mul_pd(_mm256_mul_pd(TwoThirds, DX), _mm256_add_pd(S2, _mm256_mul_pd(Half, S1)));
    // A lane of another shape, worked out again below, divides by 1: the sum of two degrees of
    // 0 would divide 0 by 0, which the scalar code never does, and raise the invalid-operation
    // trap of a host that enabled it. (Selected by the mask bits: GCC makes a blend instruction
    // of a compare's mask into a lane-by-lane branch.)
    const __m256d Divisor = _mm256_or_pd(_mm256_and_pd(OtherShape, One), _mm256_andnot_pd(OtherShape, Sum));
    _mm256_store_pd(Centroid, _mm256_add_pd(X1, _mm256_div_pd(Weight, Divisor)));
    if (Other != 0) [[unlikely]] {
      // Lane by lane with fixed indices: a store to a computed place would keep the loads of
      // the sums below from going ahead of it.
      for (int L = 0; L < 4; ++L) {
        if ((Other & (1 << L)) != 0) {
          const std::size_t K = I + kSegmentOfLane[L];
          SegmentMomentXY(P[K - 1].X, P[K - 1].Y, P[K].X, P[K].Y, Scale, A[L], Centroid[L]);
        }
      }
    }
    AddMoment(Moment, Area, Centroid[0], A[0]);
    AddMoment(Moment, Area, Centroid[2], A[2]);
    AddMoment(Moment, Area, Centroid[1], A[1]);
    AddMoment(Moment, Area, Centroid[3], A[3]);
  }
  MomentSum = Moment;
  AreaSum = Area;
  return I;
}

bool HasAvx() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx");
}

const bool kHasAvx = HasAvx();
#else
constexpr bool kHasAvx = false;
#endif

// Whether SumMoments takes the lanes (detail::SetCentroidLanes).
std::atomic<bool> CentroidLanes{kHasAvx};

// The moment and area sums of the whole membership function over [Min, Max]: the rectangles
// that continue the end degrees to the range ends, and every segment between them. The moment
// sum is kept in extended precision, so that the rounding of the centroids does not pull the
// centre off (the two halves of a symmetric triangle balance exactly at its middle).
void SumMoments(std::span<const TFuzzyPoint> V, TFzyFloat Min, TFzyFloat Max, TFzyFloat Scale, long double& Moment,
                TFzyFloat& Area) {
  const TFuzzyPoint* P = V.data();
  const std::size_t Count = V.size();
  Moment = 0;
  Area = 0;
  if (P[0].Y > 0 && !FloatEquals(P[0].X, Min)) {
    const TFzyFloat A = (P[0].X - Min) * (P[0].Y * Scale);
    AddMoment(Moment, Area, (P[0].X + Min) * 0.5, A);
  }
  std::size_t I = 1;
#if defined(__GNUC__) && defined(__x86_64__)
  if (Count > 4 && CentroidLanes.load(std::memory_order_relaxed)) {  // at least four segments
    I = Scale == 1 ? SumSegmentsByFour<false>(P, Count, Scale, Moment, Area)
                   : SumSegmentsByFour<true>(P, Count, Scale, Moment, Area);
  }
#endif
  SumSegments(P, I, Count, Scale, Moment, Area);
  const TFuzzyPoint& Last = P[Count - 1];
  if (Last.Y > 0 && !FloatEquals(Last.X, Max)) {
    const TFzyFloat A = (Max - Last.X) * (Last.Y * Scale);
    AddMoment(Moment, Area, (Last.X + Max) * 0.5, A);
  }
}

// The operation behind each inference method.
constexpr TFuzzyOperation kInferenceOperations[] = {foZadeh, foSum, foMean, foProduct, foBoundedSum};
static_assert(std::size(kInferenceOperations) == kFuzzyInferenceMethodCount, "one operation per inference method");

}  // namespace

namespace detail {

bool GetCentroidLanes() noexcept { return CentroidLanes.load(std::memory_order_relaxed); }

bool SetCentroidLanes(bool Value) noexcept {
  return CentroidLanes.exchange(Value && kHasAvx, std::memory_order_relaxed);
}

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
  const std::span<const TFuzzyPoint> V = FValues->GetPoints();
  const auto Count = static_cast<std::int32_t>(V.size());
  if (Count == 0) return 0;
  const TFzyFloat Min = GetXRange(1);
  const TFzyFloat Max = GetXRange(0);
  // A single X (one point, or a crisp value's spike) has no width to weigh: the middle of the
  // range stands for it.
  if (Count == 1 || FloatEquals(V[0].X, V[Count - 1].X)) return (Max - Min) * 0.5 + Min;
  long double Moment;
  TFzyFloat Area;
  SumMoments(V, Min, Max, 1, Moment, Area);
  if (!std::isfinite(Moment) || !std::isfinite(Area)) {
    // Degrees so large that the sums overflow: the centroid does not change when every degree
    // is divided by the height, so sum again on degrees of at most 1. Such degrees (near the
    // largest double) compute infinities on the way, and NaN where two meet (infinity over
    // infinity in a trapezoid's centroid), so they raise the invalid-operation exception a host
    // may trap; degrees of an ordinary size never do.
    TFzyFloat Height = 0;
    for (const TFuzzyPoint& P : V) Height = std::max(Height, P.Y);
    SumMoments(V, Min, Max, 1 / Height, Moment, Area);
  }
  if (Area == 0) return 0;
  const TFzyFloat Result = static_cast<TFzyFloat>(Moment / Area);
  // Only points that are themselves not finite, or that lie further apart than the largest
  // double, get here without a finite centre (computing infinity over infinity); they have no
  // centre to give.
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
    if (Y > Height - kFuzzyTolerance && Y < Height + kFuzzyTolerance) {
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
