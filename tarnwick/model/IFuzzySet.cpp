// The interface fuzzy set, its point list and the parser link.
#include "tarnwick/model/IFuzzySet.h"

#include <algorithm>
#include <vector>

#include "tarnwick/model/detail/FuzzySetWalk.h"
#include "tarnwick/platform/Exceptions.h"
#include "tarnwick/platform/Format.h"
#include "tarnwick/platform/ResStrings.h"
#include "tarnwick/platform/ScopeGuard.h"

namespace tarnwick {

namespace {

std::unique_ptr<TFuzzySetValues> MakeIFSValues(TFuzzySet* Owner) { return std::make_unique<TIFSValues>(Owner); }

// An operand set is required; a missing one is the caller's mistake, reported before anything
// is made or changed.
void RequireSet(const IFuzzySet* FuzzySet) {
  if (FuzzySet == nullptr) throw EArgumentException(LoadResString(SArgumentOutOfRange));
}

// A result's points as the plateau collapse reads them: through IFuzzySet, like every step
// that builds a result.
struct TIntfList {
  IFuzzySet& Set;
  std::int32_t Count() const { return Set.GetCount(); }
  TFzyFloat Y(std::int32_t Index) const { return Set.GetYValues(Index); }
  void Delete(std::int32_t Index) { Set.Delete(Index); }
};

std::string OperandText(const std::string& Expression, const std::string& Name) {
  return FormatFuzzyExpression(Expression.empty() ? Name : Expression);
}

inline bool AddCombined(IFuzzySet* Result, TFzyFloat X, TFzyFloat Y) {
  Result->Add(X, Y);
  return false;
}

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
  // A component answers -1: it counts nothing, and its owner may free it at any time.
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

// Each point goes in inside a block of its own, so that the result is where the point was put
// before the end of the block sorts and thins the list.
Integer TIFSValues::Add(TFzyFloat X, TFzyFloat Y) {
  const TUpdateBlock<TCollection> Block(*this);
  TFuzzySetValue* Point = TFuzzySetValues::Add();
  const Integer Result = GetCount() - 1;
  Point->SetValue(X, Y);
  return Result;
}

Integer TIFSValues::Insert(Integer Index, TFzyFloat X, TFzyFloat Y) {
  // Checked before the block opens: a refused index leaves the list and its reports alone.
  if (Index < 0 || Index > GetCount()) RaiseListError(SListIndexError, Index);
  const TUpdateBlock<TCollection> Block(*this);
  TFuzzySetValues::Insert(Index)->SetValue(X, Y);
  return Index;
}

void TIFSValues::Append(IFuzzySet* Source) {
  if (Source == nullptr) return;
  Append(Source, 0, Source->GetCount());
}

void TIFSValues::Append(IFuzzySet* Source, Integer Index, Integer Count) {
  if (Source == nullptr) return;
  const Integer SourceCount = Source->GetCount();
  // Clamping an empty source would give Index -1: it has nothing to append.
  if (SourceCount == 0) return;
  if (Index < 0) Index = 0;
  if (Index >= SourceCount) Index = SourceCount - 1;
  if (SourceCount < Index + Count) Count = SourceCount - Index;
  if (Count < 1) return;
  // Read first: Source may be this very list, which each Add sorts and thins.
  std::vector<detail::TWalkPoint> Points;
  Points.reserve(static_cast<std::size_t>(Count));
  for (Integer I = Index; I < Index + Count; ++I) Points.push_back({Source->GetXValues(I), Source->GetYValues(I)});
  for (const detail::TWalkPoint& P : Points) Add(P.X, P.Y);
}

void TIFSValues::AssignValues(IFuzzySet* Source) {
  // Clearing first would lose the very points to copy: a copy onto itself changes nothing.
  if (Source == nullptr || Source == static_cast<IFuzzySet*>(GetIFuzzySet())) return;
  TUpdateBlock<TCollection> Block(*this);
  Clear();
  const Integer Count = Source->GetCount();
  for (Integer I = 0; I < Count; ++I) Add(Source->GetXValues(I), Source->GetYValues(I));
}

bool TIFSValues::EqualsValues(IFuzzySet* FuzzySet) const {
  if (FuzzySet == nullptr) return false;
  const Integer Count = GetCount();
  if (FuzzySet->GetCount() != Count) return false;
  for (Integer I = 0; I < Count; ++I) {
    const TFuzzySetValue* P = GetItem(I);
    if (!FloatEquals(P->GetX(), FuzzySet->GetXValues(I)) || !FloatEquals(P->GetY(), FuzzySet->GetYValues(I)))
      return false;
  }
  return true;
}

void TIFSValues::Assign(IInterface* AValue) {
  if (TIFuzzySet* Set = GetIFuzzySet()) Set->Assign(AValue);
}

std::string TIFSValues::ToString() const {
  if (const TIFuzzySet* Set = GetIFuzzySet()) return Set->ToString();
  return TFuzzySetValues::ToString();
}

// ---------------------------------------------------------------------------------------------
// TIFuzzySet: construction, counting, links

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

Intf<IFuzzyVariable> TIFuzzySet::GetVariable() const { return FVariable.lock(); }

Intf<IFuzzyParser> TIFuzzySet::GetParser() const { return FParser.Get(); }

void TIFuzzySet::SetParser(IFuzzyParser* Value) { FParser.Set(Value); }

void TIFuzzySet::SetIndex(Integer Value) { FIndex = Value; }

void TIFuzzySet::SetDefined(bool) { TFuzzySet::SetDefined(true); }

void TIFuzzySet::SetExpression(const std::string& Value) { TFuzzySet::SetExpression(Value); }

void TIFuzzySet::SetName(const std::string& Value) {
  if (Value == GetName()) return;
  // Refused before the set leaves its table, so that a reserved word changes nothing.
  CheckName(Value);
  const Intf<IFuzzySet> Self = KeepAlive();
  const Intf<IFuzzyVariable> Variable = FVariable.lock();
  if (Variable) Variable->Remove(this);
  StoreName(Value);
  if (Variable) Variable->Add(this);
}

void TIFuzzySet::SetVariable(IFuzzyVariable* Value) {
  const Intf<IFuzzyVariable> Old = FVariable.lock();
  if (Old.get() == Value) return;
  WeakIntf<IFuzzyVariable> Link(Value);  // a variable that cannot be linked raises here
  const Intf<IFuzzySet> Self = KeepAlive();
  if (Old && Old->ContainsFuzzySet(GetName()).get() == static_cast<IFuzzySet*>(this)) Old->Remove(this);
  FVariable = std::move(Link);
  FVariableObject = Value;
  if (Value == nullptr) return;
  if (GetDefined()) Value->Add(this);
  FParser.Set(Value->GetParser().get());
}

TFzyFloat TIFuzzySet::GetXRange(std::int32_t Index) const {
  const IFuzzyVariable* Variable = PeekVariable();
  if (Variable == nullptr) return TFuzzySet::GetXRange(Index);
  switch (Index) {
    case 0: return Variable->GetMaximum();
    case 1: return Variable->GetMinimum();
    default: throw EFzyException(Format(LoadResString(SInvalidXRangeIndex), {Index}));
  }
}

TFzyFloat TIFuzzySet::GetXMaximum() const {
  if (const IFuzzyVariable* Variable = PeekVariable()) return Variable->GetMaximum();
  const TIFSValues& V = *GetValues();
  return V.GetCount() > 0 ? V[V.GetCount() - 1]->GetX() : kUnboundedMaximum;
}

TFzyFloat TIFuzzySet::GetXMinimum() const {
  if (const IFuzzyVariable* Variable = PeekVariable()) return Variable->GetMinimum();
  const TIFSValues& V = *GetValues();
  return V.GetCount() > 0 ? V[0]->GetX() : kUnboundedMinimum;
}

bool TIFuzzySet::GetVariableThreshold(TFzyFloat& Value) const {
  const IFuzzyVariable* Variable = PeekVariable();
  if (Variable == nullptr) return false;
  Value = Variable->GetThreshold();
  return true;
}

void TIFuzzySet::UpdateFuzzySetValue(TFuzzySetValue* Value) {
  TFuzzySet::UpdateFuzzySetValue(Value);
  if (const Intf<IFuzzyVariable> Variable = FVariable.lock()) Variable->FuzzySetChanged(this);
}

void TIFuzzySet::UpdateFuzzySetValues() {
  TFuzzySet::UpdateFuzzySetValues();
  if (const Intf<IFuzzyVariable> Variable = FVariable.lock()) Variable->FuzzySetChanged(this);
}

// ---------------------------------------------------------------------------------------------
// Copies

void TIFuzzySet::Assign(IInterface* AValue) {
  const Intf<IFuzzySet> Source = QueryIntf<IFuzzySet>(AValue);
  if (!Source || Source.get() == static_cast<IFuzzySet*>(this)) return;
  SetVariable(Source->GetVariable().get());
  SetSetType(Source->GetSetType());
  SetInflectionPoint(Source->GetInflectionPoint());
  GetValues()->AssignValues(Source.get());
  TFuzzySet::SetExpression(Source->GetExpression());
  FParser.Set(Source->GetParser().get());
}

void TIFuzzySet::Assign(const TPersistent* Source) {
  if (Source == this) return;
  if (const auto* Other = dynamic_cast<const TIFuzzySet*>(Source)) {
    SetVariable(Other->FVariable.lock().get());
    FParser = Other->FParser;
  }
  TFuzzySet::Assign(Source);
}

void TIFuzzySet::AssignTo(TPersistent* Dest) const { TFuzzySet::AssignTo(Dest); }

Intf<IInterface> TIFuzzySet::Clone() {
  const Intf<TIFuzzySet> Result(NewInstance(FVariable.lock().get(), GetName()));
  Result->Assign(static_cast<const TPersistent*>(this));
  return Result;
}

Intf<IFuzzySet> TIFuzzySet::Clone(IFuzzyVariable* Variable) const {
  const Intf<TIFuzzySet> Result(NewInstance(Variable, GetName()));
  Result->FParser.Set(Variable != nullptr ? Variable->GetParser().get() : nullptr);
  Result->AssignValues(const_cast<TIFuzzySet*>(this));
  return Result;
}

// ---------------------------------------------------------------------------------------------
// Points

Integer TIFuzzySet::GetCount() const { return GetValues()->GetCount(); }
TFzyFloat TIFuzzySet::GetXValues(Integer Index) const { return GetValues()->GetItem(Index)->GetX(); }
TFzyFloat TIFuzzySet::GetYValues(Integer Index) const { return GetValues()->GetItem(Index)->GetY(); }
void TIFuzzySet::SetXValues(Integer Index, TFzyFloat Value) { GetValues()->GetItem(Index)->SetX(Value); }
void TIFuzzySet::SetYValues(Integer Index, TFzyFloat Value) { GetValues()->GetItem(Index)->SetY(Value); }
void TIFuzzySet::Append(IFuzzySet* Source) { GetValues()->Append(Source); }
void TIFuzzySet::Append(IFuzzySet* Source, Integer Index, Integer Count) {
  GetValues()->Append(Source, Index, Count);
}
void TIFuzzySet::AssignValues(IFuzzySet* Source) { GetValues()->AssignValues(Source); }
Integer TIFuzzySet::Add(TFzyFloat X, TFzyFloat Y) { return GetValues()->Add(X, Y); }
void TIFuzzySet::BeginUpdate() { GetValues()->BeginUpdate(); }
void TIFuzzySet::Clear() { GetValues()->Clear(); }
void TIFuzzySet::Delete(Integer Index) { GetValues()->Delete(Index); }
void TIFuzzySet::EndUpdate() { GetValues()->EndUpdate(); }
Integer TIFuzzySet::Insert(Integer Index, TFzyFloat X, TFzyFloat Y) { return GetValues()->Insert(Index, X, Y); }
void TIFuzzySet::Expand(Integer NewCount) { GetValues()->Expand(NewCount); }
TFzyFloat TIFuzzySet::GetMaxValue() const { return GetValues()->GetMaxValue(); }
TFzyFloat TIFuzzySet::GetMinValue() const { return GetValues()->GetMinValue(); }
Integer TIFuzzySet::SkipX(Integer Index, TFzyFloat X, Integer Dir) const { return GetValues()->SkipX(Index, X, Dir); }
Integer TIFuzzySet::SkipY(Integer Index, TFzyFloat Y, Integer Dir) const { return GetValues()->SkipY(Index, Y, Dir); }

Integer TIFuzzySet::GetMaxYValueOfX(IFuzzySet* FuzzySet, Integer Index, Integer Direction) {
  RequireSet(FuzzySet);
  return detail::TIntfOperand(*FuzzySet).MaxYIndexOfX(Index, Direction);
}

// ---------------------------------------------------------------------------------------------
// Shapes, membership, text

TFzyFloat TIFuzzySet::GetCompatibilityIndex() const { return TFuzzySet::GetCompatibilityIndex(); }
void TIFuzzySet::SetSetType(TFuzzySetType Value) { TFuzzySet::SetSetType(Value); }
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
TFzyFloat TIFuzzySet::DegreeOfMembership(TFzyFloat Value) const { return detail::DegreeOf(*GetValues(), Value); }

std::string TIFuzzySet::ToString() const {
  if (const Intf<IFuzzyParser> Parser = FParser.Get()) return Parser->PrettyPrint(const_cast<TIFuzzySet*>(this), false);
  return TFuzzySet::ToString();
}

std::string TIFuzzySet::GetValuesToString() const { return TFuzzySet::GetValuesToString(); }

bool TIFuzzySet::LineSegmentIntersects(TFzyFloat AX1, TFzyFloat AY1, TFzyFloat AX2, TFzyFloat AY2, TFzyFloat BX1,
                                       TFzyFloat BY1, TFzyFloat BX2, TFzyFloat BY2, TFzyFloat& X,
                                       TFzyFloat& Y) const {
  return TFuzzySet::LineSegmentIntersects(AX1, AY1, AX2, AY2, BX1, BY1, BX2, BY2, X, Y);
}

// ---------------------------------------------------------------------------------------------
// In place: hedges, correlation, normalization. Each may re-key the set, which for a moment
// leaves only this operation holding it.

TIFuzzySet* TIFuzzySet::Hedge(TFuzzyHedge HedgeType) {
  const Intf<IFuzzySet> Self = KeepAlive();
  TFuzzySet::Hedge(HedgeType);
  return this;
}

TIFuzzySet* TIFuzzySet::Hedge(TBaseFuzzyHedge ModifyType, TFzyFloat Value, bool ModifyY) {
  const Intf<IFuzzySet> Self = KeepAlive();
  TFuzzySet::Hedge(ModifyType, Value, ModifyY);
  return this;
}

TIFuzzySet* TIFuzzySet::Correlate(TFzyFloat CorrelationStrength, TFuzzyCorrelationMethod CorrelationMethod) {
  const Intf<IFuzzySet> Self = KeepAlive();
  TFuzzySet::Correlate(CorrelationStrength, CorrelationMethod);
  return this;
}

TIFuzzySet* TIFuzzySet::Normalize() {
  TFuzzySet::Normalize();
  return this;
}

// ---------------------------------------------------------------------------------------------
// Defuzzification

TFzyFloat TIFuzzySet::Defuzzify() const { return CenterOfGravity(); }
TFzyFloat TIFuzzySet::MeanOfMaxima() const { return TFuzzySet::MeanOfMaxima(); }
TFzyFloat TIFuzzySet::CenterOfGravity() const { return TFuzzySet::CenterOfGravity(); }
bool TIFuzzySet::IsUndecidable() const { return TFuzzySet::IsUndecidable(); }

// ---------------------------------------------------------------------------------------------
// The two-set walk over an IFuzzySet operand

bool TIFuzzySet::Iterate(IFuzzySet* FuzzySet, const TIFuzzyComparison& FuzzyOperator) const {
  RequireSet(FuzzySet);
  const detail::TSetOperand A(*this);
  const detail::TIntfOperand B(*FuzzySet);
  if (A.Count() == 0 && B.Count() == 0) return true;
  return detail::Walk(A, B, FuzzyOperator);
}

template <typename TVisit>
Intf<IFuzzySet> TIFuzzySet::BuildResult(IFuzzySet* FuzzySet, std::string_view OperatorKeyword,
                                        TVisit&& Visit) const {
  RequireSet(FuzzySet);
  const std::string Keyword(OperatorKeyword);
  const Intf<TIFuzzySet> R(
      NewInstance(FVariable.lock().get(), CreateFuzzyName(GetName(), FuzzySet->GetName(), Keyword)));
  const std::string Expression = OperandText(TFuzzySet::GetExpression(), GetName()) + " " + Keyword + " " +
                                 OperandText(FuzzySet->GetExpression(), FuzzySet->GetName());
  {
    // The end of the block clears the expression: it is written after, on every way out.
    const TScopeExit Finish([&] { R->SetExpression(Expression); });
    const TUpdateBlock<TIFuzzySet> Block(*R);
    // A copy of this set that is cleared at once leaves only what the points do not carry:
    // the inflection point and the parser.
    R->SetInflectionPoint(GetInflectionPoint());
    R->FParser = FParser;
    const detail::TSetOperand A(*this);
    const detail::TIntfOperand B(*FuzzySet);
    const bool BothHavePoints = A.Count() > 0 && B.Count() > 0;
    TIFuzzySet& Target = *R;
    const bool Stopped = detail::Walk(A, B, [&](TFzyFloat X1, TFzyFloat Y1, TFzyFloat X2, TFzyFloat Y2) {
      return Visit.Add(Target, X1, Y1, X2, Y2);
    });
    if (BothHavePoints && !Stopped) Visit.Collapse(Target);
  }
  return R;
}

namespace {

// A host's combiner builds the result through IFuzzySet, and the plateaus are thinned the same
// way.
struct THostVisit {
  const TIFuzzyOperator& Operator;
  bool Add(TIFuzzySet& R, TFzyFloat X1, TFzyFloat Y1, TFzyFloat X2, TFzyFloat Y2) const {
    return Operator(&R, X1, Y1, X2, Y2);
  }
  static void Collapse(IFuzzySet& R) {
    TIntfList List{R};
    detail::CollapsePlateaus(List);
  }
};

// The built-in operations add to the result's own point list with the collection form's very
// combiners, as their IFuzzySet forms (FuzzyOperatorMin, ...) would through Add inside the
// result's update block: the same points without a call through the interface per point.
struct TDirectVisit {
  detail::TDegreeCombiner Combine;
  bool Add(TIFuzzySet& R, TFzyFloat X1, TFzyFloat Y1, TFzyFloat, TFzyFloat Y2) const {
    static_cast<TFuzzySetValues*>(R.GetValues())->Add(X1, Combine(Y1, Y2));
    return false;
  }
  static void Collapse(TIFuzzySet& R) {
    detail::TValuesList List{*R.GetValues()};
    detail::CollapsePlateaus(List);
  }
};

}  // namespace

Intf<IFuzzySet> TIFuzzySet::Operator(IFuzzySet* FuzzySet, const std::string& OperatorKeyword,
                                     const TIFuzzyOperator& FuzzyOperator) const {
  if (!FuzzyOperator) throw EArgumentException(LoadResString(SArgumentOutOfRange));
  return BuildResult(FuzzySet, OperatorKeyword, THostVisit{FuzzyOperator});
}

Intf<IFuzzySet> TIFuzzySet::Intersection(IFuzzySet* FuzzySet) const {
  return BuildResult(FuzzySet, FuzzyIntersectionKeywords[foZadeh], TDirectVisit{&detail::TCombine::Min});
}

Intf<IFuzzySet> TIFuzzySet::Union(IFuzzySet* FuzzySet) const {
  return BuildResult(FuzzySet, FuzzyUnionKeywords[foZadeh], TDirectVisit{&detail::TCombine::Max});
}

Intf<IFuzzySet> TIFuzzySet::Intersection(IFuzzySet* FuzzySet, TFuzzyOperation IntersectionType) const {
  const TDirectVisit Visit{detail::IntersectionDegree(IntersectionType)};  // checks first
  return BuildResult(FuzzySet, FuzzyIntersectionKeywords[IntersectionType], Visit);
}

Intf<IFuzzySet> TIFuzzySet::Union(IFuzzySet* FuzzySet, TFuzzyOperation UnionType) const {
  const TDirectVisit Visit{detail::UnionDegree(UnionType)};  // checks first
  return BuildResult(FuzzySet, FuzzyUnionKeywords[UnionType], Visit);
}

Intf<IFuzzySet> TIFuzzySet::Infer(IFuzzySet* NewEvidence, TFuzzyInferenceMethod InferenceMethod,
                                  bool Unconditional) const {
  const TFuzzyOperation Op = detail::InferenceOperation(InferenceMethod);
  return Unconditional ? Intersection(NewEvidence, Op) : Union(NewEvidence, Op);
}

bool TIFuzzySet::FuzzyOperatorMin(IFuzzySet* Result, TFzyFloat X1, TFzyFloat Y1, TFzyFloat, TFzyFloat Y2) {
  return AddCombined(Result, X1, detail::TCombine::Min(Y1, Y2));
}
bool TIFuzzySet::FuzzyOperatorMax(IFuzzySet* Result, TFzyFloat X1, TFzyFloat Y1, TFzyFloat, TFzyFloat Y2) {
  return AddCombined(Result, X1, detail::TCombine::Max(Y1, Y2));
}
bool TIFuzzySet::FuzzyOperatorMean(IFuzzySet* Result, TFzyFloat X1, TFzyFloat Y1, TFzyFloat, TFzyFloat Y2) {
  return AddCombined(Result, X1, detail::TCombine::Mean(Y1, Y2));
}
bool TIFuzzySet::FuzzyOperatorUnionMean(IFuzzySet* Result, TFzyFloat X1, TFzyFloat Y1, TFzyFloat, TFzyFloat Y2) {
  return AddCombined(Result, X1, detail::TCombine::UnionMean(Y1, Y2));
}
bool TIFuzzySet::FuzzyOperatorMeanSqr(IFuzzySet* Result, TFzyFloat X1, TFzyFloat Y1, TFzyFloat, TFzyFloat Y2) {
  return AddCombined(Result, X1, detail::TCombine::MeanSqr(Y1, Y2));
}
bool TIFuzzySet::FuzzyOperatorMeanSqrt(IFuzzySet* Result, TFzyFloat X1, TFzyFloat Y1, TFzyFloat, TFzyFloat Y2) {
  return AddCombined(Result, X1, detail::TCombine::MeanSqrt(Y1, Y2));
}
bool TIFuzzySet::FuzzyOperatorIntersectionProduct(IFuzzySet* Result, TFzyFloat X1, TFzyFloat Y1, TFzyFloat,
                                                  TFzyFloat Y2) {
  return AddCombined(Result, X1, detail::TCombine::IntersectionProduct(Y1, Y2));
}
bool TIFuzzySet::FuzzyOperatorUnionProduct(IFuzzySet* Result, TFzyFloat X1, TFzyFloat Y1, TFzyFloat,
                                           TFzyFloat Y2) {
  return AddCombined(Result, X1, detail::TCombine::UnionProduct(Y1, Y2));
}
bool TIFuzzySet::FuzzyOperatorIntersectionBoundedSum(IFuzzySet* Result, TFzyFloat X1, TFzyFloat Y1, TFzyFloat,
                                                     TFzyFloat Y2) {
  return AddCombined(Result, X1, detail::TCombine::IntersectionBoundedSum(Y1, Y2));
}
bool TIFuzzySet::FuzzyOperatorUnionBoundedSum(IFuzzySet* Result, TFzyFloat X1, TFzyFloat Y1, TFzyFloat,
                                              TFzyFloat Y2) {
  return AddCombined(Result, X1, detail::TCombine::UnionBoundedSum(Y1, Y2));
}
bool TIFuzzySet::FuzzyOperatorUnionSum(IFuzzySet* Result, TFzyFloat X1, TFzyFloat Y1, TFzyFloat, TFzyFloat Y2) {
  return AddCombined(Result, X1, detail::TCombine::UnionSum(Y1, Y2));
}

// ---------------------------------------------------------------------------------------------
// Cuts

Intf<IFuzzySet> TIFuzzySet::AlphaCutoff(TFzyFloat CutOff, bool StrongCutoff) const {
  std::unique_ptr<TFuzzySet> Made(TFuzzySet::AlphaCutoff(CutOff, StrongCutoff));
  const Intf<TIFuzzySet> Result(CheckedCast<TIFuzzySet>(Made.get()));
  Made.release();
  // The name shows the level asked for; the cut itself was made at it clamped into [0, 1].
  Result->SetName(Result->GetName() + Format(" (alpha=" + FuzzyFormatStr + ")", {CutOff}));
  Result->SetVariable(FVariable.lock().get());
  return Result;
}

Intf<IFuzzySet> TIFuzzySet::Cutoff(TFzyFloat CutOff, bool CutValuesBelow) const {
  std::unique_ptr<TFuzzySet> Made(TFuzzySet::Cutoff(CutOff, CutValuesBelow));
  const Intf<TIFuzzySet> Result(CheckedCast<TIFuzzySet>(Made.get()));
  Made.release();
  return Result;
}

// ---------------------------------------------------------------------------------------------
// Comparisons

bool TIFuzzySet::Equals(IInterface* AValue) const {
  const Intf<IFuzzySet> Other = QueryIntf<IFuzzySet>(AValue);
  if (!Other) return false;
  // Without variable the threshold is the one a variable starts with in a logic component,
  // as for a collection set without variable.
  const TFzyFloat Threshold = GetEqualsThreshold();
  return Iterate(Other.get(), [Threshold](TFzyFloat, TFzyFloat Y1, TFzyFloat, TFzyFloat Y2) {
    return std::min(Y1, Y2) >= Threshold;
  });
}

TFzyFloat TIFuzzySet::GetCorrelationStrength(IFuzzySet* Match) const {
  RequireSet(Match);
  FMax = 0;
  detail::Walk(detail::TSetOperand(*this), detail::TIntfOperand(*Match),
               [this](TFzyFloat X1, TFzyFloat Y1, TFzyFloat X2, TFzyFloat Y2) {
                 return FuzzyOperatorMaxOfMin(X1, Y1, X2, Y2);
               });
  return FMax;
}

float TIFuzzySet::FuzzyEquals(IInterface* AValue) const {
  const Intf<IFuzzySet> Other = QueryIntf<IFuzzySet>(AValue);
  FMax = 0;
  if (Other) GetCorrelationStrength(Other.get());
  return static_cast<float>(FMax);
}

bool TIFuzzySet::Intersects(IFuzzySet* FuzzySet) const {
  if (FuzzySet == nullptr) return false;
  return detail::SupportsOverlap(detail::TSetOperand(*this), detail::TIntfOperand(*FuzzySet));
}

}  // namespace tarnwick
