// The fuzzy set of the collection-based model: its links to variable and logic component, name
// and identity, membership degree, normalization, the shape generators, text form and copies.
#include "tarnwick/model/FuzzySet.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "tarnwick/model/FuzzyLogicComponent.h"
#include "tarnwick/model/FuzzyParserBase.h"
#include "tarnwick/model/FuzzyVariable.h"
#include "tarnwick/model/detail/BlockCaches.h"
#include "tarnwick/model/detail/FuzzySetWalk.h"
#include "tarnwick/model/detail/SetLinks.h"
#include "tarnwick/platform/ComponentStreaming.h"
#include "tarnwick/platform/Format.h"

namespace tarnwick {

TFuzzySet::TFuzzySet(TCollection* Collection) : TFuzzySet(Collection, nullptr) {}

TFuzzySet::TFuzzySet(TCollection* Collection, TValuesFactory CreateValuesOf)
    : TGCollectionItem(nullptr), FValues(CreateValuesOf ? CreateValuesOf(this) : CreateValues()) {
  // A set made while its logic component is being designed is part of the definition at once;
  // decided before joining, so that the addition's handlers see the final flag.
  if (const TFuzzyVariable* Variable = detail::VariableOf(Collection))
    if (const TCustomFuzzyLogic* Fuzzy = Variable->GetFuzzy()) FDefined = Fuzzy->IsDesigning();
  TCollectionItem::SetCollection(Collection);
}

TFuzzySet::~TFuzzySet() { TCollectionItem::SetCollection(nullptr); }

void* TFuzzySet::operator new(std::size_t Size) { return detail::TSetBlocks::Allocate(Size); }

void TFuzzySet::operator delete(void* Block, std::size_t Size) noexcept { detail::TSetBlocks::Release(Block, Size); }

std::unique_ptr<TFuzzySetValues> TFuzzySet::CreateValues() { return std::make_unique<TFuzzySetValues>(this); }

TFuzzySet* TFuzzySet::NewInstance(TCollection* Collection) const { return new TFuzzySet(Collection); }

// ---------------------------------------------------------------------------------------------
// Links. A set reaches its variable through its set collection and the logic component through
// the variable; without either, the defaults of a free-standing set apply.

TFuzzySets* TFuzzySet::GetCollection() const noexcept {
  return ExactClassCast<TFuzzySets>(TCollectionItem::GetCollection());
}

void TFuzzySet::SetCollection(TFuzzySets* Value) { TCollectionItem::SetCollection(Value); }

TGCollection* TFuzzySet::GetNamingCollection() const {
  if (TFuzzySets* Sets = GetCollection()) return Sets;
  return TGCollectionItem::GetNamingCollection();
}

TFuzzyVariable* TFuzzySet::GetVariable() const { return detail::VariableOf(TCollectionItem::GetCollection()); }

TCustomFuzzyLogic* TFuzzySet::GetFuzzy() const {
  const TFuzzyVariable* Variable = GetVariable();
  return Variable ? Variable->GetFuzzy() : nullptr;
}

std::int32_t TFuzzySet::GetNumFunctionValues() const {
  const TCustomFuzzyLogic* Fuzzy = GetFuzzy();
  return Fuzzy ? Fuzzy->GetNumFunctionValues() : kDefaultNumFunctionValues;
}

bool TFuzzySet::GetVariableThreshold(TFzyFloat& Value) const {
  const TFuzzyVariable* Variable = GetVariable();
  if (Variable == nullptr) return false;
  Value = Variable->GetThreshold();
  return true;
}

TFuzzyCorrelationMethod TFuzzySet::GetLogicCorrelationMethod() const {
  const TCustomFuzzyLogic* Fuzzy = GetFuzzy();
  return Fuzzy ? Fuzzy->GetCorrelationMethod() : fcmMinimum;
}

TFuzzyInferenceMethod TFuzzySet::GetLogicInferenceMethod() const {
  const TCustomFuzzyLogic* Fuzzy = GetFuzzy();
  return Fuzzy ? Fuzzy->GetInferenceMethod() : fimMinMax;
}

TDefuzzificationMethod TFuzzySet::GetLogicDefuzzificationMethod() const {
  const TCustomFuzzyLogic* Fuzzy = GetFuzzy();
  return Fuzzy ? Fuzzy->GetDefuzzificationMethod() : dmCenterOfGravity;
}

TFzyFloat TFuzzySet::GetXRange(std::int32_t Index) const {
  const TFuzzyVariable* Variable = GetVariable();
  switch (Index) {
    case 0: return Variable ? Variable->GetMaximum() : kUnboundedMaximum;
    case 1: return Variable ? Variable->GetMinimum() : kUnboundedMinimum;
    default: throw EFzyException(Format(LoadResString(SInvalidXRangeIndex), {Index}));
  }
}

// ---------------------------------------------------------------------------------------------
// Identity

void TFuzzySet::CheckName(const std::string& Value) {
  if (IsFuzzyOperatorWord(Value)) throw EFzyException(Format(LoadResString(SInvalidFuzzySetName), {Value}));
}

void TFuzzySet::SetName(const std::string& Value) {
  if (Value == FName) return;
  CheckName(Value);
  StoreName(Value);
}

void TFuzzySet::TakeName(std::string&& Value) {
  if (!IsExactClass(*this, typeid(TFuzzySet))) {
    SetName(static_cast<const std::string&>(Value));
    return;
  }
  if (Value == FName) return;
  CheckName(Value);
  StoreName(std::move(Value));
}

void TFuzzySet::StoreName(const std::string& Value) {
  StoreNameField(FName, Value);
  Changed(false);
}

void TFuzzySet::StoreName(std::string&& Value) {
  StoreNameField(FName, std::move(Value));
  Changed(false);
}

void TFuzzySet::SetComment(const std::string& Value) {
  if (Value == FComment) return;
  FComment = Value;
  Changed(false);
}

std::string TFuzzySet::GetDisplayName() const {
  return FName.empty() ? TGCollectionItem::GetDisplayName() : FName;
}

void TFuzzySet::SetValues(const TFuzzySetValues* Value) { FValues->Assign(Value); }

void TFuzzySet::UpdateFuzzySetValue(TFuzzySetValue*) {
  Changed(false);
  FSetType = fstUserDefined;
  FExpression.clear();
}

void TFuzzySet::UpdateFuzzySetValues() {
  Changed(false);
  FSetType = fstUserDefined;
  FExpression.clear();
}

// ---------------------------------------------------------------------------------------------
// Membership

TFzyFloat TFuzzySet::InterpolateX(TFzyFloat X1, TFzyFloat Y1, TFzyFloat X2, TFzyFloat Y2, TFzyFloat YValue) {
  return detail::InterpolateX(X1, Y1, X2, Y2, YValue);
}

TFzyFloat TFuzzySet::InterpolateY(TFzyFloat X1, TFzyFloat Y1, TFzyFloat X2, TFzyFloat Y2, TFzyFloat XValue) {
  return detail::InterpolateY(X1, Y1, X2, Y2, XValue);
}

std::int32_t TFuzzySet::GetMaxYValueOfX(std::int32_t Index, std::int32_t Dir) const {
  return detail::MaxYIndexOfX(FValues->GetPoints(), Index, Dir);
}

std::int32_t TFuzzySet::GetMinYValueOfX(std::int32_t Index, std::int32_t Dir) const {
  return detail::MinYIndexOfX(FValues->GetPoints(), Index, Dir);
}

TFzyFloat TFuzzySet::DegreeOfMembership(TFzyFloat Value) const { return detail::DegreeOf(*FValues, Value); }

namespace detail {

TFzyFloat DegreeOfUnordered(const TFuzzySetValues& Values, TFzyFloat Value) {
  const std::span<const TFuzzyPoint> Points = Values.GetPoints();  // rebuilt when out of date
  const auto& State = TPointsAccess::State(Values);
  return DegreeIn(Points, State.Monotone, State.Ordered, Value);
}

namespace {

TFzyFloat RunMaxY(std::span<const TFuzzyPoint> Points, std::int32_t Index, std::int32_t Dir) {
  return Points[static_cast<std::size_t>(MaxYIndexOfX(Points, Index, Dir))].Y;
}

}  // namespace

TFzyFloat DegreeByRules(std::span<const TFuzzyPoint> P, bool Monotone, TFzyFloat Value) {
  const auto Count = static_cast<std::int32_t>(P.size());
  if (Count == 0) return 0;
  const std::int32_t Last = Count - 1;
  if (Value < P[0].X) return P[0].Y;
  if (Value == P[0].X) return RunMaxY(P, 0, +1);
  if (Value > P[Last].X) return P[Last].Y;
  if (Value == P[Last].X) return RunMaxY(P, Last, -1);
  // A list left with X values out of order inside a bulk change is walked; on one whose X never
  // fall (the usual case) bisection finds the point the walk would: the first from the second
  // on whose X reaches Value. Both end on the last point at the latest, but a NaN Value, which
  // no X reaches, stops the walk at the second point and the bisection at the last.
  std::int32_t Lo = 1;
  if (Monotone) {
    Lo = static_cast<std::int32_t>(BisectFromSecond(P, Value));
  } else {
    while (Lo < Last && P[static_cast<std::size_t>(Lo)].X < Value) ++Lo;
  }
  // Checked: a single point and a NaN Value get here with Lo past the end.
  const TFuzzyPoint Q = PointAt(P, Lo);
  if (Q.X == Value) return RunMaxY(P, Lo, +1);
  const TFuzzyPoint R = P[static_cast<std::size_t>(Lo) - 1];
  return InterpolateY(R.X, R.Y, Q.X, Q.Y, Value);
}

}  // namespace detail

TFzyFloat TFuzzySet::GetCompatibilityIndex() const {
  return FValues->GetCount() == 0 ? 0 : FValues->GetMaxValue();
}

TFuzzySet* TFuzzySet::Normalize() {
  const TFzyFloat Height = FValues->GetMaxValue();
  if (Height == 0) return this;
  TUpdateBlock<TCollection> Block(*FValues);
  for (std::int32_t I = 0; I < FValues->GetCount(); ++I) {
    TFuzzySetValue* P = (*FValues)[I];
    P->SetY((1 / Height) * P->GetY());
  }
  return this;
}

// ---------------------------------------------------------------------------------------------
// Shapes

void TFuzzySet::AddPoint(TFzyFloat X, TFzyFloat Y) {
  if (FValues->AddsInBlock()) {
    FValues->AddInBlock(X, Y, true);
    return;
  }
  TFuzzySetValue* P = FValues->Add();
  P->SetX(X);
  P->SetY(Y);
}

void TFuzzySet::RaiseRangeArguments(TFzyFloat Left, TFzyFloat Right) {
  throw EFzyException(Format(LoadResString(SInvalidRangeArguments), {Left, Right}));
}

void TFuzzySet::CreateTriangleFunctionValues(TFzyFloat Left, TFzyFloat Middle, TFzyFloat Right) {
  if (Right < Left) Right = Left;
  Middle = std::clamp(Middle, Left, Right);
  {
    TUpdateBlock<TCollection> Block(*FValues);
    AddPoint(Left, 0);
    AddPoint(Middle, 1);
    AddPoint(Right, 0);
  }
  FSetType = fstTriangle;
}

std::int32_t TFuzzySet::AppendCurve(std::int32_t Num, TFzyFloat Left, TFzyFloat Right, bool Growth) {
  if (Num < 3) Num = 3;
  const TFzyFloat Width = Right - Left;
  const TFzyFloat Step = Width / (Num - 1);
  const TFzyFloat Half = (Left + Right) / 2;
  TFzyFloat X = Left;
  for (std::int32_t I = 0; I < Num; ++I, X += Step) {
    TFzyFloat Y;
    if (X <= Left) Y = 0;
    else if (X <= Half) Y = 2 * ((X - Left) / Width) * ((X - Left) / Width);
    else if (X <= Right) Y = 1 - 2 * ((X - Right) / Width) * ((X - Right) / Width);
    else Y = 1;
    AddPoint(X, Growth ? Y : 1 - Y);
  }
  return Num;
}

void TFuzzySet::CreateCurveValues(std::int32_t Num, TFzyFloat Left, TFzyFloat Right, TFzyFloat InflectionPoint,
                                  bool Growth) {
  if (Right < Left) RaiseRangeArguments(Left, Right);
  {
    TUpdateBlock<TCollection> Block(*FValues);
    AppendCurve(Num, Left, Right, Growth);
  }
  FSetType = Growth ? fstGrowthCurve : fstDeclineCurve;
  FInflectionPoint = InflectionPoint;
}

void TFuzzySet::CreatePIFunctionValues(std::int32_t Num, TFzyFloat Left, TFzyFloat Right, TFzyFloat Center) {
  if (Right < Left) RaiseRangeArguments(Left, Right);
  const TFzyFloat C = std::clamp(Center, Left, Right);
  {
    TUpdateBlock<TCollection> Block(*FValues);
    const std::int32_t Start = FValues->GetCount();
    // Both halves meet in the point (C, 1). An even count gives the falling half one point
    // less, so that the curve has Num points and keeps its peak.
    const std::int32_t Rising = AppendCurve(Num / 2 + 1, Left, C, true);
    const std::int32_t Falling = AppendCurve(Num % 2 == 0 ? Num / 2 : Num / 2 + 1, C, Right, false);
    // One of the two copies of the peak goes: the rising half's.
    if (Rising + Falling > std::max(Num, 1)) FValues->Delete(Start + Rising - 1);
  }
  FSetType = fstPICurve;
  FInflectionPoint = C + (Right - C) / 2;
}

void TFuzzySet::CreatePIFunctionValues(std::int32_t Num, TFzyFloat Range, TFzyFloat Center) {
  CreatePIFunctionValues(Num, Center - Range, Center + Range, Center);
}

void TFuzzySet::CreateBetaCurveFunctionValues(std::int32_t Num, TFzyFloat Range, TFzyFloat Center,
                                              TFzyFloat InflectionPoint, TFzyFloat Weight) {
  if (Num < 3) Num = 3;
  const TFzyFloat Step = 2 * Range / (Num - 1);
  {
    TUpdateBlock<TCollection> Block(*FValues);
    TFzyFloat X = Center - Range;
    for (std::int32_t I = 0; I < Num; ++I, X += Step) {
      TFzyFloat Y;
      if (Weight == 0) {
        Y = 1;  // no weight: the curve is flat, however narrow it is
      } else if (InflectionPoint == 0) {
        // The curve narrows to a spike at the centre as the inflection point nears 0.
        Y = X == Center ? 1 : 0;
      } else {
        // A negative weight may put a pole on a point, or so near one that the degree
        // overflows: such a point gets 0. The pole itself is told before dividing, which would
        // raise the division-by-zero trap of a host that enabled it.
        const TFzyFloat T = (X - Center) / InflectionPoint;
        const TFzyFloat Denominator = Weight * T * T + 1;
        Y = Denominator == 0 ? 0 : 1 / Denominator;
      }
      if (!std::isfinite(Y)) Y = 0;
      AddPoint(X, Y);
    }
  }
  FSetType = fstBetaCurve;
  FInflectionPoint = InflectionPoint;
}

void TFuzzySet::CreateBetaCurveFunctionValues(std::int32_t Num, TFzyFloat Range, TFzyFloat Center,
                                              TFzyFloat InflectionPoint) {
  CreateBetaCurveFunctionValues(Num, Range, Center, InflectionPoint, 1);
}

void TFuzzySet::CreateCrispValue(TFzyFloat Value) {
  InUpdateBlock(*FValues, [this, Value] {
    FValues->Clear();
    AddPoint(Value, 0);
    AddPoint(Value, 1);
    AddPoint(Value, 0);
  });
  FSetType = fstUserDefined;
  // Format's "%.4f", written into the expression's own room.
  FExpression.clear();
  AppendFixedText(FExpression, Value, kDefaultFuzzyDecimals, FormatSettings());
}

void TFuzzySet::SetSetType(TFuzzySetType Value) {
  if (Value == FSetType) return;
  FSetType = Value;
  // A stream stores the points before the type; regenerating here would replace them.
  if (Value != fstUserDefined && !IsReadingStream()) {
    const TFzyFloat Min = GetXRange(1);
    const TFzyFloat Max = GetXRange(0);
    const TFzyFloat D = Max - Min;
    const std::int32_t N = GetNumFunctionValues();
    const TFzyFloat H = ONE_THIRD * D;
    const TFzyFloat C = Min + D / 2;
    const TFzyFloat A = ONE_THIRD * D + Min;
    const TFzyFloat B = TWO_THIRDS * D + Min;
    {
      TUpdateBlock<TCollection> Block(*FValues);
      FValues->Clear();
      switch (Value) {
        case fstTriangle: CreateTriangleFunctionValues(C - H, C, C + H); break;
        case fstDeclineCurve:
        case fstGrowthCurve: CreateCurveValues(N, A, B, A + (B - A) / 2, Value == fstGrowthCurve); break;
        case fstPICurve: CreatePIFunctionValues(N, H, C); break;
        case fstBetaCurve: CreateBetaCurveFunctionValues(N, H, C, (D / 2 - H) / 2); break;
        case fstUserDefined: break;
      }
    }
    FSetType = Value;
    FExpression.clear();
  }
  Changed(false);
}

// ---------------------------------------------------------------------------------------------
// Text

std::string TFuzzySet::GetValuesToString() const {
  const std::string PointFormat = "(" + FuzzyFormatStr + " " + FuzzyFormatStr + ") ";
  std::string Result = "(";
  for (TCollectionItem* Item : *FValues) {
    const auto* P = static_cast<const TFuzzySetValue*>(Item);
    Result += Format(PointFormat, {P->GetX(), P->GetY()});
  }
  Result += ")";
  return Result;
}

std::string TFuzzySet::ToString() const {
  // A linked parser prints the definition form; without one the plain form stands in.
  if (const TCustomFuzzyLogic* Fuzzy = GetFuzzy())
    if (TCustomFuzzyLogicParser* Parser = Fuzzy->GetParser()) return Parser->PrettyPrint(this, false);
  return "(" + FName + " " + GetValuesToString().substr(1);
}

// ---------------------------------------------------------------------------------------------
// Copies

void TFuzzySet::Assign(const TPersistent* Source) {
  const auto* Other = ExactClassCast<const TFuzzySet>(Source);
  if (Other == nullptr) {
    TGCollectionItem::Assign(Source);
    return;
  }
  StoreNameField(FName, Other->FName);
  FValues->Assign(Other->FValues.get());
  FSetType = Other->FSetType;
  FInflectionPoint = Other->FInflectionPoint;
  FExpression = Other->FExpression;
  Changed(false);
}

TFuzzySet* TFuzzySet::Clone() const {
  // A copy that failed halfway is nobody's, also in a collection: it goes.
  std::unique_ptr<TFuzzySet> Result(NewInstance(TCollectionItem::GetCollection()));
  Result->Assign(this);
  return Result.release();
}

}  // namespace tarnwick
