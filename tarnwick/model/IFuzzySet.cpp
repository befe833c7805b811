// The interface fuzzy set, its point list and the parser link.
#include "tarnwick/model/IFuzzySet.h"

#include "tarnwick/platform/Exceptions.h"
#include "tarnwick/platform/ResStrings.h"

namespace tarnwick {

namespace {

[[noreturn]] void NotYet() { throw EAbstractError(LoadResString(SAbstractError)); }

std::unique_ptr<TFuzzySetValues> MakeIFSValues(TFuzzySet* Owner) { return std::make_unique<TIFSValues>(Owner); }

}  // namespace

// ---------------------------------------------------------------------------------------------
// TFuzzyParserLink

Intf<IFuzzyParser> TFuzzyParserLink::Get() const noexcept { return FCounted ? FCounted : FWeak.lock(); }

void TFuzzyParserLink::Set(IFuzzyParser* Value) {
  if (Value == nullptr) {
    FCounted.reset();
    FWeak.reset();
    return;
  }
  // A component answers -1: it counts nothing and may die under any reference.
  if (Value->AddRef() == -1) {
    WeakIntf<IFuzzyParser> Weak(Value);  // raises before anything changes
    FCounted.reset();
    FWeak = std::move(Weak);
    return;
  }
  FCounted = Intf<IFuzzyParser>::adopt(Value);
  FWeak.reset();
}

// ---------------------------------------------------------------------------------------------
// TIFSValues

TIFSValues::TIFSValues(TFuzzySet* FuzzySet) : TFuzzySetValues(FuzzySet) {}

TIFSValues::~TIFSValues() = default;

TIFuzzySet* TIFSValues::GetIFuzzySet() const noexcept { return dynamic_cast<TIFuzzySet*>(GetFuzzySet()); }

void TIFSValues::Append(IFuzzySet*, Integer, Integer) { NotYet(); }
bool TIFSValues::EqualsValues(IFuzzySet*) const { NotYet(); }
Integer TIFSValues::Add(TFzyFloat, TFzyFloat) { NotYet(); }
void TIFSValues::Append(IFuzzySet*) { NotYet(); }
void TIFSValues::Assign(IInterface*) { NotYet(); }
void TIFSValues::AssignValues(IFuzzySet*) { NotYet(); }
Integer TIFSValues::Insert(Integer, TFzyFloat, TFzyFloat) { NotYet(); }
std::string TIFSValues::ToString() const { NotYet(); }

// ---------------------------------------------------------------------------------------------
// TIFuzzySet

TIFuzzySet::TIFuzzySet(TCollection* Collection) : TFuzzySet(Collection, &MakeIFSValues) {}

TIFuzzySet::TIFuzzySet(IFuzzyVariable* Variable, const std::string& Name) : TFuzzySet(nullptr, &MakeIFSValues) {
  SetName(Name);
  SetVariable(Variable);
}

TIFuzzySet::~TIFuzzySet() = default;

TIFuzzySet* TIFuzzySet::NewInstance(IFuzzyVariable* Variable, const std::string& Name) const {
  return new TIFuzzySet(Variable, Name);
}

TFuzzySet* TIFuzzySet::NewInstance(TCollection* Collection) const { return new TIFuzzySet(Collection); }

std::unique_ptr<TFuzzySetValues> TIFuzzySet::CreateValues() { return MakeIFSValues(this); }

void* TIFuzzySet::GetInterface(const TGUID& IID) noexcept {
  if (void* P = GetInterfaceOf<IFuzzySet, ICloneable>(this, IID)) return P;
  return TInterfacedMixin::GetInterface(IID);
}

Intf<IFuzzySet> TIFuzzySet::KeepAlive() noexcept {
  return GetRefCount() > 0 ? Intf<IFuzzySet>(this) : Intf<IFuzzySet>();
}

TIFSValues* TIFuzzySet::GetValues() const noexcept { return static_cast<TIFSValues*>(TFuzzySet::GetValues()); }

void TIFuzzySet::Assign(IInterface*) { NotYet(); }
void TIFuzzySet::Assign(const TPersistent*) { NotYet(); }
void TIFuzzySet::AssignTo(TPersistent* Dest) const { TFuzzySet::AssignTo(Dest); }
Intf<IInterface> TIFuzzySet::Clone() { NotYet(); }
bool TIFuzzySet::Equals(IInterface*) const { NotYet(); }
TFzyFloat TIFuzzySet::GetCompatibilityIndex() const { return TFuzzySet::GetCompatibilityIndex(); }
void TIFuzzySet::SetExpression(const std::string& Value) { TFuzzySet::SetExpression(Value); }
void TIFuzzySet::SetName(const std::string& Value) { TFuzzySet::SetName(Value); }
void TIFuzzySet::SetSetType(TFuzzySetType Value) { TFuzzySet::SetSetType(Value); }
TFzyFloat TIFuzzySet::GetXValues(Integer) const { NotYet(); }
void TIFuzzySet::SetXValues(Integer, TFzyFloat) { NotYet(); }
TFzyFloat TIFuzzySet::GetYValues(Integer) const { NotYet(); }
void TIFuzzySet::SetYValues(Integer, TFzyFloat) { NotYet(); }
TFzyFloat TIFuzzySet::GetXMaximum() const { NotYet(); }
TFzyFloat TIFuzzySet::GetXMinimum() const { NotYet(); }
std::string TIFuzzySet::ToString() const { return TFuzzySet::ToString(); }
std::string TIFuzzySet::GetValuesToString() const { return TFuzzySet::GetValuesToString(); }
Intf<IFuzzyVariable> TIFuzzySet::GetVariable() const { return FVariable.lock(); }
Intf<IFuzzyParser> TIFuzzySet::GetParser() const { return FParser.Get(); }
void TIFuzzySet::SetIndex(Integer Value) { FIndex = Value; }
void TIFuzzySet::SetDefined(bool) { TFuzzySet::SetDefined(true); }
void TIFuzzySet::SetParser(IFuzzyParser* Value) { FParser.Set(Value); }
void TIFuzzySet::SetVariable(IFuzzyVariable* Value) { FVariable = Value; }
Integer TIFuzzySet::GetCount() const { return GetValues()->GetCount(); }
void TIFuzzySet::Append(IFuzzySet*) { NotYet(); }
void TIFuzzySet::Append(IFuzzySet*, Integer, Integer) { NotYet(); }
void TIFuzzySet::AssignValues(IFuzzySet*) { NotYet(); }
Integer TIFuzzySet::Add(TFzyFloat, TFzyFloat) { NotYet(); }
void TIFuzzySet::BeginUpdate() { GetValues()->BeginUpdate(); }
void TIFuzzySet::Clear() { GetValues()->Clear(); }
void TIFuzzySet::Delete(Integer Index) { GetValues()->Delete(Index); }
void TIFuzzySet::EndUpdate() { GetValues()->EndUpdate(); }
Integer TIFuzzySet::Insert(Integer, TFzyFloat, TFzyFloat) { NotYet(); }
void TIFuzzySet::Expand(Integer NewCount) { GetValues()->Expand(NewCount); }
TFzyFloat TIFuzzySet::GetMaxValue() const { return GetValues()->GetMaxValue(); }
TFzyFloat TIFuzzySet::GetMinValue() const { return GetValues()->GetMinValue(); }
Integer TIFuzzySet::SkipX(Integer Index, TFzyFloat X, Integer Dir) const { return GetValues()->SkipX(Index, X, Dir); }
Integer TIFuzzySet::SkipY(Integer Index, TFzyFloat Y, Integer Dir) const { return GetValues()->SkipY(Index, Y, Dir); }
TFzyFloat TIFuzzySet::GetCorrelationStrength(IFuzzySet*) const { NotYet(); }
TIFuzzySet* TIFuzzySet::Correlate(TFzyFloat, TFuzzyCorrelationMethod) { NotYet(); }
Intf<IFuzzySet> TIFuzzySet::Infer(IFuzzySet*, TFuzzyInferenceMethod, bool) const { NotYet(); }
void TIFuzzySet::CreateCrispValue(TFzyFloat Value) { TFuzzySet::CreateCrispValue(Value); }
void TIFuzzySet::CreateTriangleFunctionValues(TFzyFloat Left, TFzyFloat Middle, TFzyFloat Right) {
  TFuzzySet::CreateTriangleFunctionValues(Left, Middle, Right);
}
void TIFuzzySet::CreateCurveValues(Integer Num, TFzyFloat Left, TFzyFloat Right, TFzyFloat InflectionPoint,
                                   bool Growth) {
  TFuzzySet::CreateCurveValues(Num, Left, Right, InflectionPoint, Growth);
}
void TIFuzzySet::CreatePIFunctionValues(Integer Num, TFzyFloat Left, TFzyFloat Right, TFzyFloat Center) {
  TFuzzySet::CreatePIFunctionValues(Num, Left, Right, Center);
}
void TIFuzzySet::CreatePIFunctionValues(Integer Num, TFzyFloat Range, TFzyFloat Center) {
  TFuzzySet::CreatePIFunctionValues(Num, Range, Center);
}
void TIFuzzySet::CreateBetaCurveFunctionValues(Integer Num, TFzyFloat Range, TFzyFloat Center,
                                               TFzyFloat InflectionPoint) {
  TFuzzySet::CreateBetaCurveFunctionValues(Num, Range, Center, InflectionPoint);
}
void TIFuzzySet::CreateBetaCurveFunctionValues(Integer Num, TFzyFloat Range, TFzyFloat Center,
                                               TFzyFloat InflectionPoint, TFzyFloat Weight) {
  TFuzzySet::CreateBetaCurveFunctionValues(Num, Range, Center, InflectionPoint, Weight);
}
TFzyFloat TIFuzzySet::DegreeOfMembership(TFzyFloat Value) const { return TFuzzySet::DegreeOfMembership(Value); }
float TIFuzzySet::FuzzyEquals(IInterface*) const { NotYet(); }
TIFuzzySet* TIFuzzySet::Hedge(TFuzzyHedge) { NotYet(); }
TIFuzzySet* TIFuzzySet::Hedge(TBaseFuzzyHedge, TFzyFloat, bool) { NotYet(); }
TFzyFloat TIFuzzySet::Defuzzify() const { return CenterOfGravity(); }
TFzyFloat TIFuzzySet::MeanOfMaxima() const { return TFuzzySet::MeanOfMaxima(); }
TFzyFloat TIFuzzySet::CenterOfGravity() const { return TFuzzySet::CenterOfGravity(); }
bool TIFuzzySet::IsUndecidable() const { return TFuzzySet::IsUndecidable(); }
bool TIFuzzySet::Intersects(IFuzzySet*) const { NotYet(); }
Intf<IFuzzySet> TIFuzzySet::Intersection(IFuzzySet*) const { NotYet(); }
Intf<IFuzzySet> TIFuzzySet::Intersection(IFuzzySet*, TFuzzyOperation) const { NotYet(); }
bool TIFuzzySet::LineSegmentIntersects(TFzyFloat AX1, TFzyFloat AY1, TFzyFloat AX2, TFzyFloat AY2, TFzyFloat BX1,
                                       TFzyFloat BY1, TFzyFloat BX2, TFzyFloat BY2, TFzyFloat& X,
                                       TFzyFloat& Y) const {
  return TFuzzySet::LineSegmentIntersects(AX1, AY1, AX2, AY2, BX1, BY1, BX2, BY2, X, Y);
}
Intf<IFuzzySet> TIFuzzySet::Union(IFuzzySet*) const { NotYet(); }
Intf<IFuzzySet> TIFuzzySet::Union(IFuzzySet*, TFuzzyOperation) const { NotYet(); }
TIFuzzySet* TIFuzzySet::Normalize() { NotYet(); }
bool TIFuzzySet::Iterate(IFuzzySet*, const TIFuzzyComparison&) const { NotYet(); }
Intf<IFuzzySet> TIFuzzySet::Operator(IFuzzySet*, const std::string&, const TIFuzzyOperator&) const { NotYet(); }
Intf<IFuzzySet> TIFuzzySet::AlphaCutoff(TFzyFloat, bool) const { NotYet(); }
Intf<IFuzzySet> TIFuzzySet::Cutoff(TFzyFloat, bool) const { NotYet(); }
Intf<IFuzzySet> TIFuzzySet::Clone(IFuzzyVariable*) const { NotYet(); }
Integer TIFuzzySet::GetMaxYValueOfX(IFuzzySet*, Integer, Integer) { NotYet(); }
bool TIFuzzySet::FuzzyOperatorMin(IFuzzySet*, TFzyFloat, TFzyFloat, TFzyFloat, TFzyFloat) { NotYet(); }
bool TIFuzzySet::FuzzyOperatorMax(IFuzzySet*, TFzyFloat, TFzyFloat, TFzyFloat, TFzyFloat) { NotYet(); }
bool TIFuzzySet::FuzzyOperatorMean(IFuzzySet*, TFzyFloat, TFzyFloat, TFzyFloat, TFzyFloat) { NotYet(); }
bool TIFuzzySet::FuzzyOperatorUnionMean(IFuzzySet*, TFzyFloat, TFzyFloat, TFzyFloat, TFzyFloat) { NotYet(); }
bool TIFuzzySet::FuzzyOperatorMeanSqr(IFuzzySet*, TFzyFloat, TFzyFloat, TFzyFloat, TFzyFloat) { NotYet(); }
bool TIFuzzySet::FuzzyOperatorMeanSqrt(IFuzzySet*, TFzyFloat, TFzyFloat, TFzyFloat, TFzyFloat) { NotYet(); }
bool TIFuzzySet::FuzzyOperatorIntersectionProduct(IFuzzySet*, TFzyFloat, TFzyFloat, TFzyFloat, TFzyFloat) {
  NotYet();
}
bool TIFuzzySet::FuzzyOperatorUnionProduct(IFuzzySet*, TFzyFloat, TFzyFloat, TFzyFloat, TFzyFloat) { NotYet(); }
bool TIFuzzySet::FuzzyOperatorIntersectionBoundedSum(IFuzzySet*, TFzyFloat, TFzyFloat, TFzyFloat, TFzyFloat) {
  NotYet();
}
bool TIFuzzySet::FuzzyOperatorUnionBoundedSum(IFuzzySet*, TFzyFloat, TFzyFloat, TFzyFloat, TFzyFloat) {
  NotYet();
}
bool TIFuzzySet::FuzzyOperatorUnionSum(IFuzzySet*, TFzyFloat, TFzyFloat, TFzyFloat, TFzyFloat) { NotYet(); }
TFzyFloat TIFuzzySet::GetXRange(std::int32_t Index) const { return TFuzzySet::GetXRange(Index); }
void TIFuzzySet::UpdateFuzzySetValue(TFuzzySetValue* Value) { TFuzzySet::UpdateFuzzySetValue(Value); }
void TIFuzzySet::UpdateFuzzySetValues() { TFuzzySet::UpdateFuzzySetValues(); }
bool TIFuzzySet::GetVariableThreshold(TFzyFloat&) const { return false; }

}  // namespace tarnwick
