// The interface fuzzy variable and its set table.
#include "tarnwick/model/IFuzzyVariable.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "tarnwick/platform/Exceptions.h"
#include "tarnwick/platform/ResStrings.h"

namespace tarnwick {

namespace {

// A set argument is required; a missing one is the caller's mistake, reported before anything
// changes.
void RequireSet(const IFuzzySet* FuzzySet) {
  if (FuzzySet == nullptr) throw EArgumentException(LoadResString(SArgumentOutOfRange));
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TIFuzzySets

TIFuzzySets::TIFuzzySets(TIFuzzyVariable* Variable) : FVariable(Variable) {}

TIFuzzySets::~TIFuzzySets() {
  // The sets go without a report: the variable is dying or the table is being replaced.
  FVariable = nullptr;
  BeginDestroy();
  TIFuzzySets::Clear();
}

void TIFuzzySets::Add(IFuzzySet* FuzzySet) {
  RequireSet(FuzzySet);
  IFuzzyVariable* Own = FVariable;
  if (FuzzySet->GetVariable().get() != Own) {
    // The move stores a Defined set through this very operation (the variable's Add comes
    // back here); one that is not Defined is stored below all the same. A table without
    // variable has no variable to come back through, so it stores every set itself.
    FuzzySet->SetVariable(Own);
    if (FuzzySet->GetDefined() && Own != nullptr) return;
  } else if (!FuzzySet->GetDefined()) {
    return;
  }
  Put(FuzzySet->GetName(), Intf<IFuzzySet>(FuzzySet));
}

Intf<IFuzzySet> TIFuzzySets::Add(const std::string& Name) {
  TIFuzzySet* Made = FVariable != nullptr && FVariable->FFuzzySetClass
                         ? FVariable->FFuzzySetClass.Create(FVariable, Name)
                         : new TIFuzzySet(FVariable, Name);
  const Intf<IFuzzySet> Result(Made);
  // The flag itself, as the object form sets it: the empty set's name marks a set that is not
  // defined.
  Made->TFuzzySet::SetDefined(Name != SEmptyFuzzy);
  Add(Result.get());
  return Result;
}

void TIFuzzySets::Remove(IFuzzySet* FuzzySet) {
  if (FuzzySet == nullptr) return;
  const std::string Name = FuzzySet->GetName();
  Intf<IFuzzySet> Stored;
  if (ContainsKey(Name, Stored) && Stored.get() == FuzzySet) TInherited::Remove(Name);
}

Intf<IFuzzySet> TIFuzzySets::ContainsFuzzySet(const std::string& Name) const {
  Intf<IFuzzySet> Result;
  TryGetValue(Name, Result);
  return Result;
}

Intf<IFuzzySet> TIFuzzySets::GetFuzzySet(Integer Index) const { return GetItemByIndex(Index); }

Intf<IFuzzySet> TIFuzzySets::GetFuzzySetByName(const std::string& Name) const { return Get(Name); }

Integer TIFuzzySets::NewIndex() { return FNewIndex++; }

void TIFuzzySets::AssignFuzzySets(IFuzzyVariable* Source) {
  // Clearing first would lose the very sets to copy: a copy onto itself changes nothing.
  if (Source == nullptr || (FVariable != nullptr && Source == static_cast<IFuzzyVariable*>(FVariable))) return;
  const Intf<IFuzzyVariable> Keep(Source);
  AssignClones(Source->GetCount(), [&](Integer I) { return Source->GetFuzzySet(I); });
}

void TIFuzzySets::AssignClones(Integer Count, const std::function<Intf<IFuzzySet>(Integer)>& SetAt) {
  TUpdateBlock<TIFuzzySets> Block(*this);
  Clear();
  for (Integer I = 0; I < Count; ++I) {
    const Intf<IFuzzySet> Source = SetAt(I);
    const Intf<IFuzzySet> Copy = Source->Clone(FVariable);
    Copy->SetDefined(Source->GetDefined());
    Add(Copy.get());
  }
}

void TIFuzzySets::Assign(IInterface* AValue) {
  if (const Intf<IFuzzyVariable> Source = QueryIntf<IFuzzyVariable>(AValue)) AssignFuzzySets(Source.get());
}

void TIFuzzySets::Assign(const TPersistent* Source) {
  const auto* Other = dynamic_cast<const TIFuzzySets*>(Source);
  if (Other == nullptr) {
    // A table holds sets, never bare names: a string list or a plain table has none to give,
    // so the platform's assignment decides (and refuses what it cannot convert).
    TPersistent::Assign(Source);
    return;
  }
  if (Other == this) return;
  if (Other->FVariable != nullptr) {
    AssignFuzzySets(Other->FVariable);
    return;
  }
  // A table without variable: its own sets, read in its ordinal order.
  AssignClones(Other->GetCount(), [Other](Integer I) { return Other->GetFuzzySet(I); });
}

bool TIFuzzySets::EqualsSets(IFuzzyVariable* FuzzyVariable) const {
  if (FuzzyVariable == nullptr) return false;
  for (Integer I = 0; I < GetCount(); ++I) {
    const Intf<IFuzzySet> Set = GetFuzzySet(I);
    if (!Set->GetDefined()) continue;
    const Intf<IFuzzySet> Match = FuzzyVariable->ContainsFuzzySet(Set->GetName());
    if (!Match || !Match->Equals(Set.get())) return false;
  }
  return true;
}

std::string TIFuzzySets::ToString() const {
  return FVariable != nullptr ? FVariable->ToString() : TInherited::ToString();
}

void TIFuzzySets::Clear() {
  TInherited::Clear();
  FNewIndex = 0;
  if (FVariable != nullptr) FVariable->ClearFuzzySets();
}

void TIFuzzySets::DoAdd(Integer HashCode, Integer Index, const std::string& Key, const Intf<IFuzzySet>& Value) {
  TInherited::DoAdd(HashCode, Index, Key, Value);
  Stored(Value.get());
}

void TIFuzzySets::DoSetValue(Integer Index, const Intf<IFuzzySet>& Value) {
  TInherited::DoSetValue(Index, Value);
  Stored(Value.get());
}

void TIFuzzySets::Stored(IFuzzySet* FuzzySet) {
  if (FuzzySet == nullptr) return;
  FuzzySet->SetIndex(NewIndex());
  if (FVariable != nullptr) FVariable->NewFuzzySet(FuzzySet);
}

Intf<IFuzzySet> TIFuzzySets::DoRemove(const std::string& Key, Integer HashCode,
                                      TCollectionNotification Notification) {
  Intf<IFuzzySet> Result = TInherited::DoRemove(Key, HashCode, Notification);
  // A name that was not stored removed nothing, and nothing is reported.
  if (Result && FVariable != nullptr) FVariable->RemoveFuzzySet(Result.get());
  return Result;
}

// ---------------------------------------------------------------------------------------------
// TIFuzzyVariable

TIFuzzyVariablePersistent::~TIFuzzyVariablePersistent() = default;

TIFuzzyVariable::TIFuzzyVariable(const std::string& Name)
    : TIFuzzyVariable(Name, TIFuzzySetClass::Of<TIFuzzySet>()) {}

TIFuzzyVariable::TIFuzzyVariable(const std::string& Name, TIFuzzySetClass FuzzySetClass)
    : FName(Name), FFuzzySetClass(FuzzySetClass) {
  FItems = CreateItems();
}

TIFuzzyVariable::~TIFuzzyVariable() {
  // Whatever way the variable dies, its sets see it gone before it starts to come apart.
  ClearWeakReferences();
  SetParser(nullptr);
  FOnChange = nullptr;
  FOnVariableChange = nullptr;
  FOnFuzzySetChange = nullptr;
  FItems.reset();
}

TIFuzzyVariable* TIFuzzyVariable::NewInstance(const std::string& Name) const { return new TIFuzzyVariable(Name); }

std::unique_ptr<TIFuzzySets> TIFuzzyVariable::CreateItems() { return std::make_unique<TIFuzzySets>(this); }

void* TIFuzzyVariable::GetInterface(const TGUID& IID) noexcept {
  if (void* P = GetInterfaceOf<IFuzzyVariable, ICloneable>(this, IID)) return P;
  return TInterfacedMixin::GetInterface(IID);
}

// ---------------------------------------------------------------------------------------------
// Events

void TIFuzzyVariable::Changed() {
  if (FOnChange) FOnChange(this);
  if (FOnVariableChange) FOnVariableChange(this);
}

void TIFuzzyVariable::NewFuzzySet(IFuzzySet* FuzzySet) {
  if (FOnFuzzySetAdded) FOnFuzzySetAdded(this, FuzzySet);
  Changed();
}

void TIFuzzyVariable::RemoveFuzzySet(IFuzzySet* FuzzySet) {
  if (FOnFuzzySetDeleted) FOnFuzzySetDeleted(this, FuzzySet);
  Changed();
}

void TIFuzzyVariable::ClearFuzzySets() { Changed(); }

void TIFuzzyVariable::FuzzySetChanged(IFuzzySet* FuzzySet) {
  if (FOnFuzzySetChange) FOnFuzzySetChange(this, FuzzySet);
}

void TIFuzzyVariable::SetOnFuzzySetAdded(TIFuzzySetEvent Value) { FOnFuzzySetAdded = std::move(Value); }
void TIFuzzyVariable::SetOnFuzzySetDeleted(TIFuzzySetEvent Value) { FOnFuzzySetDeleted = std::move(Value); }
void TIFuzzyVariable::SetOnChange(TNotifyEvent Value) { FOnChange = std::move(Value); }
void TIFuzzyVariable::SetOnVariableChange(TIFuzzyVariableEvent Value) { FOnVariableChange = std::move(Value); }
void TIFuzzyVariable::SetOnFuzzySetChange(TIFuzzySetEvent Value) { FOnFuzzySetChange = std::move(Value); }

// ---------------------------------------------------------------------------------------------
// Properties. A NaN is no value: the range and the threshold keep what they hold, so that
// Minimum <= Maximum and the threshold's [0, 1] hold whatever a host passes.

void TIFuzzyVariable::SetName(const std::string& Value) {
  if (Value == FName) return;
  FName = Value;
  Changed();
}

void TIFuzzyVariable::SetNumFunctionValues(Integer Value) {
  Value = std::min(Value, kMaxNumFunctionValues);
  if (Value == FNumFunctionValues) return;
  FNumFunctionValues = Value;
  Changed();
}

void TIFuzzyVariable::SetMaximum(TFzyFloat Value) {
  if (Value == FMaximum || std::isnan(Value)) return;
  FMaximum = Value;
  if (FMinimum > FMaximum) SetMinimum(FMaximum);
  Changed();
}

void TIFuzzyVariable::SetMinimum(TFzyFloat Value) {
  if (Value == FMinimum || std::isnan(Value)) return;
  FMinimum = Value;
  if (FMinimum > FMaximum) SetMaximum(FMinimum);
  Changed();
}

void TIFuzzyVariable::SetUnits(const std::string& Value) { FUnits = Value; }

void TIFuzzyVariable::SetComment(const std::string& Value) { FComment = Value; }

void TIFuzzyVariable::SetDefuzzificationMethod(TDefuzzificationMethod Value) { FDefuzzificationMethod = Value; }

void TIFuzzyVariable::SetThreshold(TFzyFloat Value) {
  if (Value == FThreshold || std::isnan(Value)) return;
  FThreshold = std::clamp(Value, TFzyFloat{0}, TFzyFloat{1});
}

Intf<IFuzzyParser> TIFuzzyVariable::GetParser() const { return FParser.Get(); }

void TIFuzzyVariable::SetParser(IFuzzyParser* Value) {
  if (FParser.Get().get() == Value) return;
  FParser.Set(Value);
  for (Integer I = 0; I < FItems->GetCount(); ++I) FItems->GetFuzzySet(I)->SetParser(Value);
}

void TIFuzzyVariable::SetItems(const TIFuzzySets* Value) { FItems->Assign(Value); }

std::string TIFuzzyVariable::ToString() const {
  if (const Intf<IFuzzyParser> Parser = FParser.Get()) return Parser->PrettyPrint(const_cast<TIFuzzyVariable*>(this));
  return FName;
}

// ---------------------------------------------------------------------------------------------
// Sets

Integer TIFuzzyVariable::GetCount() const { return FItems->GetCount(); }
Intf<IFuzzySet> TIFuzzyVariable::GetFuzzySet(Integer Index) const { return FItems->GetFuzzySet(Index); }
Intf<IFuzzySet> TIFuzzyVariable::GetFuzzySetByName(const std::string& Index) const {
  return FItems->GetFuzzySetByName(Index);
}
void TIFuzzyVariable::Add(IFuzzySet* FuzzySet) { FItems->Add(FuzzySet); }
Intf<IFuzzySet> TIFuzzyVariable::Add(const std::string& Name) { return FItems->Add(Name); }
void TIFuzzyVariable::AssignFuzzySets(IFuzzyVariable* Source) { FItems->AssignFuzzySets(Source); }
void TIFuzzyVariable::BeginUpdate() { FItems->BeginUpdate(); }
void TIFuzzyVariable::EndUpdate() { FItems->EndUpdate(); }
void TIFuzzyVariable::Clear() { FItems->Clear(); }
Intf<IFuzzySet> TIFuzzyVariable::ContainsFuzzySet(const std::string& Name) const {
  return FItems->ContainsFuzzySet(Name);
}
void TIFuzzyVariable::Remove(IFuzzySet* FuzzySet) { FItems->Remove(FuzzySet); }

// ---------------------------------------------------------------------------------------------
// Rules

TFzyFloat TIFuzzyVariable::GetCorrelationStrength(std::span<const Intf<IFuzzySet>> Premises,
                                                  std::span<const Intf<IFuzzySet>> Matchings) const {
  // Every premise needs the evidence it is matched against; a missing one is a caller's
  // mistake, not a rule that fails to fire.
  if (Matchings.size() < Premises.size()) throw EArgumentOutOfRangeException(LoadResString(SArgumentOutOfRange));
  TFzyFloat Result = 1;
  for (std::size_t I = 0; I < Premises.size(); ++I) {
    if (!Premises[I] || !Matchings[I]) throw EArgumentException(LoadResString(SArgumentOutOfRange));
    Result = std::min(Result, Premises[I]->GetCorrelationStrength(Matchings[I].get()));
  }
  return Result;
}

Intf<IFuzzySet> TIFuzzyVariable::AssertRule(std::span<const Intf<IFuzzySet>> Premises,
                                            std::span<const Intf<IFuzzySet>> Matchings, IFuzzySet* NewEvidence,
                                            IFuzzySet* OldEvidence) {
  return AssertRule(GetCorrelationStrength(Premises, Matchings), NewEvidence, OldEvidence);
}

Intf<IFuzzySet> TIFuzzyVariable::AssertRule(IFuzzySet* Premise, IFuzzySet* NewEvidence, IFuzzySet* Matching,
                                            IFuzzySet* OldEvidence) {
  RequireSet(Premise);
  RequireSet(Matching);
  return AssertRule(Premise->GetCorrelationStrength(Matching), NewEvidence, OldEvidence);
}

Intf<IFuzzySet> TIFuzzyVariable::AssertRule(TFzyFloat CorrelationStrength, IFuzzySet* NewEvidence,
                                            IFuzzySet* OldEvidence) {
  if (CorrelationStrength < FThreshold) return nullptr;
  RequireSet(NewEvidence);
  // The methods are fixed: a variable of this form has no logic component to ask.
  const Intf<IFuzzySet> Correlated = AsIntf<IFuzzySet>(NewEvidence->Clone());
  Correlated->Correlate(CorrelationStrength, fcmMinimum);
  if (OldEvidence == nullptr) return Correlated;
  return OldEvidence->Infer(Correlated.get(), fimMinMax, false);
}

// ---------------------------------------------------------------------------------------------
// Copies and comparison

void TIFuzzyVariable::AssignFrom(IFuzzyVariable* Source) {
  FDefuzzificationMethod = Source->GetDefuzzificationMethod();
  FMaximum = Source->GetMaximum();
  FMinimum = Source->GetMinimum();
  FName = Source->GetName();
  FUnits = Source->GetUnits();
  FNumFunctionValues = std::min(Source->GetNumFunctionValues(), kMaxNumFunctionValues);
  FTag = Source->GetTag();
  // Stored only: the copies of the sets take it from this variable.
  FParser.Set(Source->GetParser().get());
  FItems->AssignFuzzySets(Source);
  Changed();
}

void TIFuzzyVariable::Assign(const TPersistent* Source) {
  const auto* Other = dynamic_cast<const TIFuzzyVariable*>(Source);
  if (Other == nullptr) {
    TIFuzzyVariablePersistent::Assign(Source);
    return;
  }
  if (Other == this) return;
  AssignFrom(const_cast<TIFuzzyVariable*>(Other));
}

void TIFuzzyVariable::Assign(IInterface* AValue) {
  const Intf<IFuzzyVariable> Source = QueryIntf<IFuzzyVariable>(AValue);
  if (!Source || Source.get() == static_cast<IFuzzyVariable*>(this)) return;
  AssignFrom(Source.get());
}

void TIFuzzyVariable::AssignTo(TPersistent* Dest) const { TIFuzzyVariablePersistent::AssignTo(Dest); }

Intf<IInterface> TIFuzzyVariable::Clone() {
  const Intf<TIFuzzyVariable> Result(NewInstance(FName));
  Result->Assign(static_cast<const TPersistent*>(this));
  return Result;
}

bool TIFuzzyVariable::Equals(IInterface* AValue) const {
  const Intf<IFuzzyVariable> Other = QueryIntf<IFuzzyVariable>(AValue);
  if (!Other) return false;
  return FName == Other->GetName() && FMaximum == Other->GetMaximum() && FMinimum == Other->GetMinimum() &&
         FUnits == Other->GetUnits() && FItems->EqualsSets(Other.get());
}

}  // namespace tarnwick
