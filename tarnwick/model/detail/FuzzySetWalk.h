// The two-set walk and the other two-operand algorithms of the set algebra (the plateau
// collapse of a result, the support-overlap test), written once over operand types so that the
// collection form (both operands TFuzzySet) and the interface form (the other operand read
// through IFuzzySet) run the same steps with the same tolerances. Internal to the model.
//
// An operand type offers, read only:
//   Count()                  the number of points
//   Point(I)                 point I as {X, Y}
//   SkipY(I, Y, Dir)         TFuzzySetValues::SkipY
//   Degree(X)                the membership degree at X
//   MaxYIndexOfX(I, Dir)     the highest point among those sharing point I's X, walking by Dir
// A result list type offers Count(), Y(I) and Delete(I).
#ifndef TARNWICK_MODEL_DETAIL_FUZZYSETWALK_H_
#define TARNWICK_MODEL_DETAIL_FUZZYSETWALK_H_

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>

#include "tarnwick/model/FuzzyInterfaces.h"
#include "tarnwick/model/FuzzySet.h"
#include "tarnwick/model/FuzzySetValues.h"
#include "tarnwick/platform/Classes.h"

namespace tarnwick::detail {

// Raises EFzyException SInvalidFuzzyOperation naming Operation (FuzzySetAlgebra.cpp).
[[noreturn]] void RaiseInvalidOperation(TFuzzyOperation Operation);
// The operation an inference method combines with; past the last method, an operation past
// the last (FuzzySetInference.cpp).
TFuzzyOperation InferenceOperation(TFuzzyInferenceMethod InferenceMethod) noexcept;

using TWalkPoint = TFuzzyPoint;

// The straight-line interpolations of TFuzzySet, inline for the library's own hot paths; the
// exported TFuzzySet::InterpolateX and InterpolateY are these, so all give the same bits.
inline TFzyFloat InterpolateX(TFzyFloat X1, TFzyFloat Y1, TFzyFloat X2, TFzyFloat Y2, TFzyFloat YValue) {
  if (Y1 == Y2) return X2;
  return (YValue - Y1) / (Y2 - Y1) * (X2 - X1) + X1;
}
// InterpolateY's arithmetic alone, for a caller that knows X1 != X2.
inline TFzyFloat LineY(TFzyFloat X1, TFzyFloat Y1, TFzyFloat X2, TFzyFloat Y2, TFzyFloat XValue) {
  return (XValue - X1) / (X2 - X1) * (Y2 - Y1) + Y1;
}
inline TFzyFloat InterpolateY(TFzyFloat X1, TFzyFloat Y1, TFzyFloat X2, TFzyFloat Y2, TFzyFloat XValue) {
  if (X1 == X2) return Y2;
  return LineY(X1, Y1, X2, Y2, XValue);
}

// Point Index of a point list's flat copy, with the list's own index check and error.
inline TFuzzyPoint PointAt(std::span<const TFuzzyPoint> Points, std::int32_t Index) {
  if (Index < 0 || static_cast<std::size_t>(Index) >= Points.size()) RaiseListError(SListIndexError, Index);
  return Points[static_cast<std::size_t>(Index)];
}

// The position of the highest point among those within the tolerance of point Index's X,
// walking from Index by Dir; the first of equal maxima wins.
inline std::int32_t MaxYIndexOfX(std::span<const TFuzzyPoint> Points, std::int32_t Index, std::int32_t Dir) {
  const TFzyFloat X = PointAt(Points, Index).X;
  const auto Count = static_cast<std::int32_t>(Points.size());
  std::int32_t Best = Index;
  for (std::int32_t I = Index + Dir; I >= 0 && I < Count && FloatEquals(Points[I].X, X); I += Dir)
    if (Points[I].Y > Points[Best].Y) Best = I;
  return Best;
}

// The same for the lowest point.
inline std::int32_t MinYIndexOfX(std::span<const TFuzzyPoint> Points, std::int32_t Index, std::int32_t Dir) {
  const TFzyFloat X = PointAt(Points, Index).X;
  const auto Count = static_cast<std::int32_t>(Points.size());
  std::int32_t Best = Index;
  for (std::int32_t I = Index + Dir; I >= 0 && I < Count && FloatEquals(Points[I].X, X); I += Dir)
    if (Points[I].Y < Points[Best].Y) Best = I;
  return Best;
}

// TFuzzySetValues::SkipY over the flat copy.
inline std::int32_t SkipY(std::span<const TFuzzyPoint> Points, std::int32_t Index, TFzyFloat Y, std::int32_t Dir) {
  if (Dir == 0) Dir = 1;
  const auto Count = static_cast<std::int32_t>(Points.size());
  std::int32_t I = Index + Dir;
  while (I >= 0 && I < Count && FloatEquals(Points[I].Y, Y)) I += Dir;
  return I < Count ? I : -1;
}

// The degree of a crisp value over a point list's flat copy P, whose X never fall when
// Monotone (TFuzzySet::DegreeOfMembership), by the rules step by step: flat outside the
// points, the highest point on a vertical edge, the straight line between points. Out of line
// (FuzzySet.cpp), for what DegreeInOrder leaves: lists that are not Ordered, values on a point.
[[gnu::noinline]] TFzyFloat DegreeByRules(std::span<const TFuzzyPoint> P, bool Monotone, TFzyFloat Value);

// The first point from the second on whose X reaches Value, by bisection over P, whose X never
// fall; the last point when none does, as for a NaN Value (past the end for a single point).
inline std::size_t BisectFromSecond(std::span<const TFuzzyPoint> P, TFzyFloat Value) {
  std::size_t Lo = 1;
  std::size_t Hi = P.size() - 1;
  while (Lo < Hi) {
    const std::size_t Mid = Lo + (Hi - Lo) / 2;
    if (P[Mid].X >= Value) Hi = Mid;
    else Lo = Mid + 1;
  }
  return Lo;
}

// The flat copy of a point list as it stands, rebuilt or not.
struct TPointsAccess {
  static const TFuzzySetValues::TPointsState& State(const TFuzzySetValues& Values) noexcept { return Values.FPoints; }
};

// DegreeByRules on an Ordered list, the same bits in fewer steps, for the call that runs once
// per crisp value and rule: three comparisons, the bisection and the interpolation. A value on
// the first X, or on the X of the point the bisection finds (the last X among them), goes to
// DegreeByRules, where the highest point of the X counts, and so does NaN, which orders with
// nothing. Otherwise the segment found has R.X < Value < Q.X, where InterpolateY's test of
// X1 == X2 is false. The branches stay: conditional moves or masks in the bisection and at the
// ends measured slower on values in no order, since each step then waits for the one before,
// and a mispredicted branch costs less than that wait.
inline TFzyFloat DegreeInOrder(std::span<const TFuzzyPoint> P, TFzyFloat Value) {
  const TFuzzyPoint* const First = P.data();
  const std::size_t Last = P.size() - 1;
  if (!(Value > First[0].X)) [[unlikely]]
    return Value < First[0].X ? First[0].Y : DegreeByRules(P, true, Value);
  if (Value > First[Last].X) return First[Last].Y;
  const std::size_t Lo = BisectFromSecond(P, Value);
  const TFuzzyPoint Q = First[Lo];
  if (Value == Q.X) [[unlikely]]
    return DegreeByRules(P, true, Value);
  const TFuzzyPoint R = First[Lo - 1];
  return LineY(R.X, R.Y, Q.X, Q.Y, Value);
}

// The degree over any list's flat copy.
inline TFzyFloat DegreeIn(std::span<const TFuzzyPoint> P, bool Monotone, bool Ordered, TFzyFloat Value) {
  return Ordered ? DegreeInOrder(P, Value) : DegreeByRules(P, Monotone, Value);
}

// DegreeOf for a list whose flat copy is not Ordered, or out of date and rebuilt first
// (FuzzySet.cpp).
[[gnu::noinline]] TFzyFloat DegreeOfUnordered(const TFuzzySetValues& Values, TFzyFloat Value);

// The degree over Values. An out-of-date copy is never Ordered, so one test leads to the
// common path.
inline TFzyFloat DegreeOf(const TFuzzySetValues& Values, TFzyFloat Value) {
  const auto& State = TPointsAccess::State(Values);
  if (!State.Ordered) [[unlikely]]
    return DegreeOfUnordered(Values, Value);
  return DegreeInOrder({State.Points.data(), State.Points.size()}, Value);
}

// Where segment A (AX1, AY1)-(AX2, AY2) meets segment B (BX1, BY1)-(BX2, BY2); X and Y are
// written only when they meet. A segment shorter than the tolerance on both axes counts as a
// point and must lie on the other segment's line. Parallel segments meet only when collinear,
// and then at the nearer right-hand end. Inline: the walk tries it at every step.
inline bool SegmentsMeet(TFzyFloat AX1, TFzyFloat AY1, TFzyFloat AX2, TFzyFloat AY2, TFzyFloat BX1,
                         TFzyFloat BY1, TFzyFloat BX2, TFzyFloat BY2, TFzyFloat& X, TFzyFloat& Y) {
  const TFzyFloat DXA = AX2 - AX1;
  const TFzyFloat DYA = AY2 - AY1;
  const TFzyFloat DXB = BX2 - BX1;
  const TFzyFloat DYB = BY2 - BY1;
  const TFzyFloat RX = AX1 - BX1;
  const TFzyFloat RY = AY1 - BY1;
  if (std::fabs(DYA) < kFuzzyTolerance && std::fabs(DXA) < kFuzzyTolerance &&
      !FloatEquals(InterpolateY(BX1, BY1, BX2, BY2, AX2), AY2))
    return false;
  if (std::fabs(DYB) < kFuzzyTolerance && std::fabs(DXB) < kFuzzyTolerance &&
      !FloatEquals(InterpolateY(AX1, AY1, AX2, AY2, BX2), BY2))
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


// A TFuzzySet read from its point list's flat copy. Every read goes to the copy afresh, so a walk
// whose callback edits an operand sees the edit as it would reading the points themselves.
class TSetOperand {
 public:
  explicit TSetOperand(const TFuzzySet& Set) : FValues(*Set.GetValues()) {}
  std::int32_t Count() const { return FValues.GetCount(); }
  TWalkPoint Point(std::int32_t Index) const { return PointAt(FValues.GetPoints(), Index); }
  std::int32_t SkipY(std::int32_t Index, TFzyFloat Y, std::int32_t Dir) const {
    return detail::SkipY(FValues.GetPoints(), Index, Y, Dir);
  }
  TFzyFloat Degree(TFzyFloat X) const { return DegreeOf(FValues, X); }
  std::int32_t MaxYIndexOfX(std::int32_t Index, std::int32_t Dir) const {
    return detail::MaxYIndexOfX(FValues.GetPoints(), Index, Dir);
  }

 private:
  const TFuzzySetValues& FValues;
};

// A TFuzzySet whose points cannot change while it is read, held as its flat copy once: for the
// walks of the built-in operations, whose visits run no code but the library's and touch
// neither operand. Same numbers as TSetOperand. The walks ask only for points below Count(),
// which cannot change here, so Point reads without the list's index check.
class TFrozenSetOperand {
 public:
  explicit TFrozenSetOperand(const TFuzzySet& Set)
      : FPoints(Set.GetValues()->GetPoints()),
        FMonotone(TPointsAccess::State(*Set.GetValues()).Monotone),
        FOrdered(TPointsAccess::State(*Set.GetValues()).Ordered) {}
  std::int32_t Count() const { return static_cast<std::int32_t>(FPoints.size()); }
  TWalkPoint Point(std::int32_t Index) const { return FPoints[static_cast<std::size_t>(Index)]; }
  std::int32_t SkipY(std::int32_t Index, TFzyFloat Y, std::int32_t Dir) const {
    return detail::SkipY(FPoints, Index, Y, Dir);
  }
  TFzyFloat Degree(TFzyFloat X) const { return DegreeIn(FPoints, FMonotone, FOrdered, X); }
  std::int32_t MaxYIndexOfX(std::int32_t Index, std::int32_t Dir) const {
    return detail::MaxYIndexOfX(FPoints, Index, Dir);
  }

 private:
  std::span<const TFuzzyPoint> FPoints;
  bool FMonotone;
  bool FOrdered;
};

// Any IFuzzySet, read one coordinate at a time through the interface.
class TIntfOperand {
 public:
  explicit TIntfOperand(const IFuzzySet& Set) : FSet(Set) {}
  std::int32_t Count() const { return FSet.GetCount(); }
  TWalkPoint Point(std::int32_t Index) const { return {FSet.GetXValues(Index), FSet.GetYValues(Index)}; }
  std::int32_t SkipY(std::int32_t Index, TFzyFloat Y, std::int32_t Dir) const { return FSet.SkipY(Index, Y, Dir); }
  TFzyFloat Degree(TFzyFloat X) const { return FSet.DegreeOfMembership(X); }
  // The highest point among those within 1e-4 of point Index's X, walking by Dir; the first
  // of equal maxima wins.
  std::int32_t MaxYIndexOfX(std::int32_t Index, std::int32_t Dir) const {
    const TFzyFloat X = FSet.GetXValues(Index);
    std::int32_t Best = Index;
    TFzyFloat BestY = FSet.GetYValues(Index);
    const std::int32_t N = FSet.GetCount();
    for (std::int32_t I = Index + Dir; I >= 0 && I < N && FloatEquals(FSet.GetXValues(I), X); I += Dir) {
      const TFzyFloat Y = FSet.GetYValues(I);
      if (Y > BestY) {
        Best = I;
        BestY = Y;
      }
    }
    return Best;
  }

 private:
  const IFuzzySet& FSet;
};

// Every degree within the tolerance of the first; needs a point.
template <typename TOperand>
bool IsFlat(const TOperand& Operand) {
  return Operand.SkipY(0, Operand.Point(0).Y, 1) == -1;
}

// Strictly between Lo and Hi, in either order.
inline bool StrictlyBetween(TFzyFloat Value, TFzyFloat Lo, TFzyFloat Hi) {
  return (Lo < Value && Value < Hi) || (Lo > Value && Value > Hi);
}

// Visits every point of an operand in order, as seen on both sides: the walk when the other
// operand has no points.
template <typename TOperand, typename TVisit>
bool VisitAll(const TOperand& Operand, TVisit& Visit) {
  for (std::int32_t I = 0; I < Operand.Count(); ++I) {
    const TWalkPoint P = Operand.Point(I);
    if (Visit(P.X, P.Y, P.X, P.Y)) return true;
  }
  return false;
}

// Whether Visit can tell from one side's degree Y alone that a merge point changes nothing and
// stops nothing: a visit offering Ignores(Y) lets the walk skip both the other side's degree
// lookup and the visit there. Visits without it see every point.
template <typename TVisit>
bool IgnoresPoint(const TVisit& Visit, TFzyFloat Y) {
  if constexpr (requires { Visit.Ignores(Y); }) return Visit.Ignores(Y);
  else return false;
}

// The two-set walk over A (the receiver) and B: every point of both in order of X, and every
// crossing of their membership lines, each handed to Visit(X1, Y1, X2, Y2) with (X1, Y1) on A
// and (X2, Y2) on B. Returns true when Visit stopped the walk by returning true.
//
// Invariant of the loop: PrevA and PrevB are the points of A and B visited last (the first
// points before any visit), CurA and CurB the next unvisited ones (the last points once a set
// is used up), so the segments PrevA-CurA and PrevB-CurB bracket the walk's position and their
// crossing, if any, comes before the next point. A crossing may repeat a point that the merge
// step then visits again; the result's point store removes such duplicates.
template <typename TOperandA, typename TOperandB, typename TVisit>
bool Walk(const TOperandA& A, const TOperandB& B, TVisit&& Visit) {
  const std::int32_t CountA = A.Count();
  const std::int32_t CountB = B.Count();
  if (CountA == 0) return VisitAll(B, Visit);
  if (CountB == 0) return VisitAll(A, Visit);

  const bool FlatA = IsFlat(A);
  const bool FlatB = IsFlat(B);
  TWalkPoint PrevA = A.Point(0);
  TWalkPoint PrevB = B.Point(0);
  TWalkPoint CurA = PrevA;
  TWalkPoint CurB = PrevB;
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
      X = InterpolateX(PrevB.X, PrevB.Y, CurB.X, CurB.Y, CurA.Y);
      if (Visit(X, CurA.Y, X, CurA.Y)) return true;
    } else if (FlatB && StrictlyBetween(CurB.Y, PrevA.Y, CurA.Y)) {
      X = InterpolateX(PrevA.X, PrevA.Y, CurA.X, CurA.Y, CurB.Y);
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
      if (!IgnoresPoint(Visit, CurB.Y) && Visit(CurB.X, A.Degree(CurB.X), CurB.X, CurB.Y)) return true;
      ++J;
      PrevB = CurB;
    } else {
      if (!IgnoresPoint(Visit, CurA.Y) && Visit(CurA.X, CurA.Y, CurA.X, B.Degree(CurA.X))) return true;
      ++I;
      PrevA = CurA;
    }
  }
  return false;
}

// A result's point list as the plateau collapse reads it.
struct TValuesList {
  TFuzzySetValues& Values;
  std::int32_t Count() const { return Values.GetCount(); }
  TFzyFloat Y(std::int32_t Index) const { return Values[Index]->GetY(); }
  void Delete(std::int32_t Index) { Values.Delete(Index); }
};

// Thins runs of neighbours with equal degrees, in the order the points were added: a run at the
// start keeps its last point, one inside its first and last, one at the end its first; a list
// of one degree keeps its last point.
template <typename TList>
void CollapsePlateaus(TList& Values) {
  std::int32_t J = 1;
  std::int32_t K = 1;
  while (J < Values.Count()) {
    if (FloatEquals(Values.Y(J - 1), Values.Y(J))) {
      ++K;
      if (K < 2) ++J;
      else Values.Delete(J - 1);
    } else {
      ++J;
      K = 0;
    }
  }
  const std::int32_t Count = Values.Count();
  if (Count > 1 && FloatEquals(Values.Y(Count - 2), Values.Y(Count - 1))) Values.Delete(Count - 1);
}

// Whether the two operands overlap along X by more than the tolerance (or touch where either
// stands above 0 there); an operand without points, or 0 everywhere, overlaps nothing.
template <typename TOperandA, typename TOperandB>
bool SupportsOverlap(const TOperandA& A, const TOperandB& B) {
  const std::int32_t CountA = A.Count();
  const std::int32_t CountB = B.Count();
  if (CountA == 0 || CountB == 0) return false;
  auto ZeroEverywhere = [](const auto& V) {
    const TFzyFloat FirstY = V.Point(0).Y;
    return FirstY < kFuzzyTolerance && V.SkipY(0, FirstY, +1) == -1;
  };
  if (ZeroEverywhere(A) || ZeroEverywhere(B)) return false;
  const std::int32_t LastA = CountA - 1;
  const std::int32_t LastB = CountB - 1;
  const TFzyFloat A0 = A.Point(0).X;
  const TFzyFloat AN = A.Point(LastA).X;
  const TFzyFloat B0 = B.Point(0).X;
  const TFzyFloat BN = B.Point(LastB).X;
  // Two sets that only touch at one X overlap when either stands above 0 there.
  if (FloatEquals(AN, B0))
    return A.Point(A.MaxYIndexOfX(LastA, -1)).Y > kFuzzyTolerance || B.Point(B.MaxYIndexOfX(0, +1)).Y > kFuzzyTolerance;
  if (FloatEquals(BN, A0))
    return B.Point(B.MaxYIndexOfX(LastB, -1)).Y > kFuzzyTolerance || A.Point(A.MaxYIndexOfX(0, +1)).Y > kFuzzyTolerance;
  return AN > B0 + kFuzzyTolerance && BN > A0 + kFuzzyTolerance;
}

// The degrees the point combiners give, shared by both forms. A rounding residue below 0
// under the square root would give NaN; the point store stores any negative as 0.
struct TCombine {
  static TFzyFloat Min(TFzyFloat Y1, TFzyFloat Y2) { return std::min(Y1, Y2); }
  static TFzyFloat Max(TFzyFloat Y1, TFzyFloat Y2) { return std::max(Y1, Y2); }
  static TFzyFloat Mean(TFzyFloat Y1, TFzyFloat Y2) { return (Y1 + Y2) / 2; }
  static TFzyFloat UnionMean(TFzyFloat Y1, TFzyFloat Y2) {
    return (2 * std::min(Y1, Y2) + 4 * std::max(Y1, Y2)) / 6;
  }
  static TFzyFloat MeanSqr(TFzyFloat Y1, TFzyFloat Y2) {
    const TFzyFloat M = (Y1 + Y2) / 2;
    return M * M;
  }
  static TFzyFloat MeanSqrt(TFzyFloat Y1, TFzyFloat Y2) { return std::sqrt(std::max<TFzyFloat>(0, (Y1 + Y2) / 2)); }
  static TFzyFloat IntersectionProduct(TFzyFloat Y1, TFzyFloat Y2) { return Y1 * Y2; }
  static TFzyFloat UnionProduct(TFzyFloat Y1, TFzyFloat Y2) { return Y1 + Y2 - Y1 * Y2; }
  static TFzyFloat IntersectionBoundedSum(TFzyFloat Y1, TFzyFloat Y2) { return std::max<TFzyFloat>(0, Y1 + Y2 - 1); }
  static TFzyFloat UnionBoundedSum(TFzyFloat Y1, TFzyFloat Y2) { return std::min<TFzyFloat>(1, Y1 + Y2); }
  static TFzyFloat UnionSum(TFzyFloat Y1, TFzyFloat Y2) { return Y1 + Y2; }
};

// One of TCombine's degrees.
using TDegreeCombiner = TFzyFloat (*)(TFzyFloat Y1, TFzyFloat Y2);
// The degree of an intersection (a union) under Operation; an intersection under foSum, or an
// operation past the last, raises EFzyException SInvalidFuzzyOperation (FuzzySetAlgebra.cpp).
TDegreeCombiner IntersectionDegree(TFuzzyOperation Operation);
TDegreeCombiner UnionDegree(TFuzzyOperation Operation);

}  // namespace tarnwick::detail

#endif  // TARNWICK_MODEL_DETAIL_FUZZYSETWALK_H_
