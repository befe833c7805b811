// Hedges: the twenty linguistic hedges ("not", "very", "about", ...) and the nine arithmetic
// hedge operators on Y or X. Every hedge modifies its set in place, gives it a derived name and
// expression, and returns it.
//
// Invariants kept here: no NaN or infinite coordinate ever enters a point list (a point whose
// new value would not be a number keeps its old one, and an operator that would overflow or
// divide by zero raises before any point changes), and every update block is closed on every
// way out.
#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <utility>

#include "tarnwick/model/FuzzySet.h"
#include "tarnwick/model/detail/ExpressionOperand.h"
#include "tarnwick/platform/Format.h"

namespace tarnwick {
namespace {

// Every linguistic hedge that reshapes points first spreads the set over this many points.
constexpr std::int32_t kHedgePoints = 7;
// The approximation hedges sample the variable's whole range with this many points.
constexpr std::int32_t kApproximationPoints = 50;
// The approximation's width factor when the set, or the range, has no width to measure.
constexpr TFzyFloat kDefaultWidthFactor = 0.2;
// The degree around which the contrast hedges pivot.
constexpr TFzyFloat kContrastPivot = 0.5;

// The operator as the expression language writes it: "+" for Y, "+X" for X.
std::string OperatorText(TBaseFuzzyHedge ModifyType, bool ModifyY) {
  std::string Result(BaseHedgeNames[ModifyType]);
  if (!ModifyY) Result += 'X';
  return Result;
}

// An operation's number as its expression writes it: the usual decimals, always with a full
// stop, so that it reads back whatever the locale.
std::string NumberText(TFzyFloat Value) {
  std::string Number;
  AppendFixedText(Number, Value, kDefaultFuzzyDecimals, TFormatSettings::Invariant());
  return Number;
}

// The operation as an expression that the evaluator reads back as the same operation: the
// operand (its expression, else its name, bracketed when needed), the operator and the number
// (NumberText).
std::string OperationExpression(const TFuzzySet& Set, std::string_view Op, std::string_view Number) {
  return detail::JoinOperation(
      detail::TExpressionOperand::Of(Set.GetExpression().empty() ? Set.GetName() : Set.GetExpression()), Op,
      detail::TExpressionOperand{Number, false});
}

[[noreturn]] void RaiseHedge(const TResString& Msg, const TFuzzySet& Set, TBaseFuzzyHedge ModifyType,
                             TFzyFloat Value, bool ModifyY) {
  const std::string Operation = OperationExpression(Set, OperatorText(ModifyType, ModifyY), NumberText(Value));
  throw EFzyException(Format(LoadResString(Msg), {Operation}));
}

// The new value of coordinate V under ModifyType; false when the point keeps V. Reciprocal is
// 1 / Value, taken once: division multiplies by it.
bool NewCoordinate(TBaseFuzzyHedge ModifyType, TFzyFloat V, TFzyFloat Value, TFzyFloat Reciprocal, bool ModifyY,
                   TFzyFloat& Result) {
  switch (ModifyType) {
    case bfhAdd: Result = V + Value; return true;
    case bfhSubtract: Result = V - Value; return true;
    case bfhMultiply: Result = V * Value; return true;
    case bfhDivide: Result = V * Reciprocal; return true;
    case bfhPower:
      // Only where the power of any real exponent is defined and, for degrees, where it moves.
      if (ModifyY ? (V > 0 && V < 1) : V > 0) {
        Result = std::pow(V, Value);
        return true;
      }
      return false;
    case bfhCutLess: Result = Value; return V < Value;
    case bfgCutLessEq: Result = Value; return V <= Value;
    case bfhCutGreater: Result = Value; return V > Value;
    case bfhCutGreaterEq: Result = Value; return V >= Value;
  }
  return false;
}

// The reciprocal that division multiplies by (0 for the other operators). Raises when Value is
// not a finite number, or is a divisor without a finite reciprocal (0 above all): neither gives
// points, a name or an expression that mean anything.
TFzyFloat CheckOperand(const TFuzzySet& Set, TBaseFuzzyHedge ModifyType, TFzyFloat Value, bool ModifyY) {
  if (!std::isfinite(Value)) RaiseHedge(SFuzzyHedgeNotFinite, Set, ModifyType, Value, ModifyY);
  if (ModifyType != bfhDivide) return 0;
  // 0 is told before dividing by it, which would raise the division-by-zero trap of a host that
  // enabled it; a divisor too small for a finite reciprocal overflows.
  if (Value == 0) RaiseHedge(SFuzzyHedgeDivideByZero, Set, ModifyType, Value, ModifyY);
  const TFzyFloat Reciprocal = 1 / Value;
  if (!std::isfinite(Reciprocal)) RaiseHedge(SFuzzyHedgeDivideByZero, Set, ModifyType, Value, ModifyY);
  return Reciprocal;
}

// Applies ModifyType with Value to the chosen coordinate of every point, inside one update block
// of the point list, without renaming. Raises before any point changes when the operand is
// unusable (CheckOperand) or a new degree would overflow to infinity; an X that overflows is
// held at the range's end like any X outside the range, and a degree of minus infinity is
// stored as 0 like any negative one.
void ModifyValues(TFuzzySet& Set, TBaseFuzzyHedge ModifyType, TFzyFloat Value, bool ModifyY) {
  const TFzyFloat Reciprocal = CheckOperand(Set, ModifyType, Value, ModifyY);
  TFuzzySetValues& Values = *Set.GetValues();
  const std::int32_t Count = Values.GetCount();
  for (std::int32_t I = 0; I < Count; ++I) {
    const TFuzzySetValue* P = Values[I];
    TFzyFloat NewValue;
    if (NewCoordinate(ModifyType, ModifyY ? P->GetY() : P->GetX(), Value, Reciprocal, ModifyY, NewValue) &&
        (std::isnan(NewValue) || (ModifyY && NewValue == std::numeric_limits<TFzyFloat>::infinity())))
      RaiseHedge(SFuzzyHedgeNotFinite, Set, ModifyType, Value, ModifyY);
  }

  InUpdateBlock(Values, [&] {
    for (std::int32_t I = 0; I < Count; ++I) {
      TFuzzySetValue* P = Values[I];
      TFzyFloat NewValue;
      if (ModifyY) {
        if (NewCoordinate(ModifyType, P->GetY(), Value, Reciprocal, true, NewValue)) P->SetY(NewValue);
      } else {
        if (NewCoordinate(ModifyType, P->GetX(), Value, Reciprocal, false, NewValue)) P->SetX(NewValue);
      }
    }
  });
}

// fhNot: every degree complemented.
void Complement(TFuzzySetValues& Values) {
  TUpdateBlock<TCollection> Block(Values);
  for (std::int32_t I = 0; I < Values.GetCount(); ++I) {
    TFuzzySetValue* P = Values[I];
    P->SetY(1 - P->GetY());
  }
}

// fhAbove (Forward) and fhBelow: the peak is found by scanning from the first (last) point, each
// point at least as high as the height so far taking over, and the scan ending at a degree of
// exactly 1. Everything from the scan's start up to the peak becomes 0, everything beyond it is
// complemented. So among equal highest degrees below 1 "above" takes the last, "below" the first.
void ZeroUpToPeak(TFuzzySetValues& Values, bool Forward) {
  const std::int32_t Count = Values.GetCount();
  if (Count == 0) return;
  TUpdateBlock<TCollection> Block(Values);
  std::int32_t Peak = Forward ? 0 : Count - 1;
  TFzyFloat Height = 0;
  for (std::int32_t K = 0; K < Count; ++K) {
    const std::int32_t I = Forward ? K : Count - 1 - K;
    const TFzyFloat Y = Values[I]->GetY();
    if (Y >= Height) {
      Peak = I;
      Height = Y;
    }
    if (Y == 1) break;
  }
  for (std::int32_t I = 0; I < Count; ++I) {
    TFuzzySetValue* P = Values[I];
    const bool UpToPeak = Forward ? I <= Peak : I >= Peak;
    P->SetY(UpToPeak ? 0 : 1 - P->GetY());
  }
}

// A new working set of the base class in Owner (none allowed). Its point list stays inside an
// update block until the set is freed, so that its changes are never reported.
std::unique_ptr<TFuzzySet> NewWorkingSet(TCollection* Owner) {
  std::unique_ptr<TFuzzySet> Result(new TFuzzySet(Owner));
  Result->GetValues()->BeginUpdate();
  return Result;
}

// fhSlightly: "plus A and not very A", normalized and sharpened, taken over by A's points. The
// working sets are items of A's collection while they live (its variable sees them come and go).
void SlightlyPoints(TFuzzySet& A, TCollection* Owner) {
  // Declared so that they die in the order R, T1, T2 on every way out.
  std::unique_ptr<TFuzzySet> T2;
  std::unique_ptr<TFuzzySet> T1 = NewWorkingSet(Owner);
  T2 = NewWorkingSet(Owner);
  T1->Assign(&A);
  T1->Hedge(fhVery);
  T1->Hedge(fhNot);
  T2->Assign(&A);
  T2->Hedge(fhPlus);
  const std::unique_ptr<TFuzzySet> R(T2->Intersection(T1.get()));
  R->Hedge(fhNormalize);
  R->Hedge(fhPositively);
  A.GetValues()->Assign(R->GetValues());
}

void HedgeSlightly(TFuzzySet& A) {
  TCollection* Owner = A.TCollectionItem::GetCollection();
  if (Owner == nullptr) {
    SlightlyPoints(A, nullptr);
    return;
  }
  // The working sets are freed before the collection's block closes.
  TUpdateBlock<TCollection> Block(*Owner);
  SlightlyPoints(A, Owner);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Linguistic hedges

TFuzzySet* TFuzzySet::Hedge(TFuzzyHedge HedgeType) {
  // Name and expression are derived from the state before the points change; a failing hedge
  // leaves both as they were.
  const std::string NewName = CreateFuzzyName(HedgeType, FName);
  const std::string KeptExpression = FExpression;
  const TFzyFloat Modifier = HedgeModifiers[HedgeType];

  switch (HedgeType) {
    case fhNot: Complement(*FValues); break;
    case fhSomewhat:
    case fhMoreOrLess:
    case fhGreatly:
    case fhPlus:
    case fhVery:
    case fhExtremely: Intensify(kHedgePoints, Modifier); break;
    case fhAbove: ZeroUpToPeak(*FValues, true); break;
    case fhBelow: ZeroUpToPeak(*FValues, false); break;
    case fhSlightly: HedgeSlightly(*this); break;
    case fhNormalize: Normalize(); break;
    case fhAbout:
    case fhVicinity:
    case fhClose:
    case fhNear:
    case fhNeighboring: FuzzyApproximation(kHedgePoints, Modifier); break;
    case fhPositively:
    case fhAbsolutely:
    case fhDefinitely:
    case fhGenerally: FuzzyContrast(kHedgePoints, Modifier); break;
  }

  SetName(NewName);
  FExpression = KeptExpression.empty() ? FormatFuzzyExpression(NewName)
                                       : CreateFuzzyName(HedgeType, FormatFuzzyExpression(KeptExpression));
  return this;
}

// Degrees strictly between 0 and 1 raised to Modifier: above 1 concentrates, below 1 dilates.
void TFuzzySet::Intensify(std::int32_t Num, TFzyFloat Modifier) {
  TUpdateBlock<TCollection> Block(*FValues);
  FValues->Expand(Num);
  // The power itself, without the renaming of the public operator: the hedge names the set.
  ModifyValues(*this, bfhPower, Modifier, true);
}

// Degrees below the pivot pushed towards 0, the others towards 1 (Modifier above 1), or both
// towards the pivot (below 1). A degree above 1 has no defined power of its distance from 1 for
// a fractional Modifier and keeps its value: that is told before the power is taken, which would
// be NaN and raise the invalid-operation trap of a host that enabled it.
void TFuzzySet::FuzzyContrast(std::int32_t Num, TFzyFloat Modifier) {
  TUpdateBlock<TCollection> Block(*FValues);
  FValues->Expand(Num);
  const bool Fractional = std::trunc(Modifier) != Modifier;
  for (std::int32_t I = 0; I < FValues->GetCount(); ++I) {
    TFuzzySetValue* P = (*FValues)[I];
    const TFzyFloat Y = P->GetY();
    if (Modifier < 1 && Y <= 0) continue;
    const bool Below = Y < kContrastPivot;
    const TFzyFloat Base = Below ? Y : 1 - Y;
    if (Base < 0 && Fractional) continue;
    const TFzyFloat Power = std::pow(Base, Modifier);
    const TFzyFloat NewY =
        Below ? std::min<TFzyFloat>(1, Modifier * Power) : std::max<TFzyFloat>(0, 1 - Modifier * Power);
    if (std::isfinite(NewY)) P->SetY(NewY);
  }
}

// Widens the set over the variable's whole range: each sample of the range takes the highest
// degree any point lends it, falling off with the distance scaled by the set's share of the
// range. Afterwards the set holds the samples, normalized.
void TFuzzySet::FuzzyApproximation(std::int32_t Num, TFzyFloat Modifier) {
  TUpdateBlock<TCollection> Block(*FValues);
  FValues->Expand(Num);
  // An empty set fails here with the list's index error.
  const TFzyFloat FirstX = FValues->GetItem(0)->GetX();
  const TFzyFloat LastX = FValues->GetItem(FValues->GetCount() - 1)->GetX();
  const TFzyFloat Upper = GetXRange(0);
  const TFzyFloat Lower = GetXRange(1);

  // A range without positive width (a variable whose minimum is its maximum) gives no share to
  // measure; the set is then treated like one without width of its own.
  const TFzyFloat Width = LastX - FirstX;
  TFzyFloat Factor = kDefaultWidthFactor;
  if (Width != 0 && Upper - Lower > 0) {
    Factor = Width / (Upper - Lower);
    if (!std::isfinite(Factor)) Factor = kDefaultWidthFactor;
  }

  TFuzzySetValues Samples(nullptr);
  Samples.Add(Lower, 0);
  Samples.Add(Upper, 0);
  Samples.Expand(kApproximationPoints);
  {
    TUpdateBlock<TCollection> SampleBlock(Samples);
    for (std::int32_t J = 0; J < Samples.GetCount(); ++J) {
      TFuzzySetValue* Q = Samples[J];
      TFzyFloat Best = Q->GetY();
      for (std::int32_t I = 0; I < FValues->GetCount(); ++I) {
        const TFuzzySetValue* P = (*FValues)[I];
        if (!(P->GetY() > 0)) continue;
        const TFzyFloat Distance = std::fabs(Q->GetX() - P->GetX()) * Factor;
        const TFzyFloat Lent = P->GetY() / (std::pow(Distance, Modifier) + 1);
        if (Lent > Best) Best = Lent;  // never takes a NaN
      }
      Q->SetY(Best);
    }
  }
  FValues->Assign(&Samples);
  Normalize();
}

// ---------------------------------------------------------------------------------------------
// Arithmetic hedge operators

TFuzzySet* TFuzzySet::Hedge(TBaseFuzzyHedge ModifyType, TFzyFloat Value, bool ModifyY) {
  // Everything that can fail comes before the first point changes.
  CheckOperand(*this, ModifyType, Value, ModifyY);
  // The operator of Y is the table's word itself.
  const std::string OpOfX = ModifyY ? std::string() : OperatorText(ModifyType, false);
  const std::string_view Op = ModifyY ? BaseHedgeNames[ModifyType] : std::string_view(OpOfX);
  // The number is written once, for the expression, and the name takes the same digits.
  const std::string Number = NumberText(Value);
  std::string NewName = detail::FuzzyNameWithNumber(FName, Op, Value, Number);
  std::string NewExpression = OperationExpression(*this, Op, Number);
  ModifyValues(*this, ModifyType, Value, ModifyY);
  TakeName(std::move(NewName));
  FExpression = std::move(NewExpression);
  return this;
}

}  // namespace tarnwick
