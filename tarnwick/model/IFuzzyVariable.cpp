// The interface fuzzy variable and its set table.
#include "tarnwick/model/IFuzzyVariable.h"

#include "tarnwick/platform/Exceptions.h"
#include "tarnwick/platform/ResStrings.h"

namespace tarnwick {

namespace {

[[noreturn]] void NotYet() { throw EAbstractError(LoadResString(SAbstractError)); }

}  // namespace

// ---------------------------------------------------------------------------------------------
// TIFuzzySets

TIFuzzySets::TIFuzzySets(TIFuzzyVariable* Variable) : FVariable(Variable) {}

TIFuzzySets::~TIFuzzySets() {
  FVariable = nullptr;
  BeginDestroy();
  TIFuzzySets::Clear();
}

void TIFuzzySets::Add(IFuzzySet*) { NotYet(); }
Intf<IFuzzySet> TIFuzzySets::Add(const std::string&) { NotYet(); }
void TIFuzzySets::Remove(IFuzzySet*) { NotYet(); }
Intf<IFuzzySet> TIFuzzySets::ContainsFuzzySet(const std::string&) const { NotYet(); }
Intf<IFuzzySet> TIFuzzySets::GetFuzzySet(Integer) const { NotYet(); }
Intf<IFuzzySet> TIFuzzySets::GetFuzzySetByName(const std::string&) const { NotYet(); }
Integer TIFuzzySets::NewIndex() { return FNewIndex++; }
void TIFuzzySets::AssignFuzzySets(IFuzzyVariable*) { NotYet(); }
void TIFuzzySets::Assign(IInterface*) { NotYet(); }
void TIFuzzySets::Assign(const TPersistent*) { NotYet(); }
bool TIFuzzySets::EqualsSets(IFuzzyVariable*) const { NotYet(); }
std::string TIFuzzySets::ToString() const { NotYet(); }
void TIFuzzySets::Clear() {
  TInherited::Clear();
  FNewIndex = 0;
}
void TIFuzzySets::DoAdd(Integer HashCode, Integer Index, const std::string& Key, const Intf<IFuzzySet>& Value) {
  TInherited::DoAdd(HashCode, Index, Key, Value);
}
void TIFuzzySets::DoSetValue(Integer Index, const Intf<IFuzzySet>& Value) { TInherited::DoSetValue(Index, Value); }
Intf<IFuzzySet> TIFuzzySets::DoRemove(const std::string& Key, Integer HashCode,
                                      TCollectionNotification Notification) {
  return TInherited::DoRemove(Key, HashCode, Notification);
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

TIFuzzyVariable::~TIFuzzyVariable() = default;

TIFuzzyVariable* TIFuzzyVariable::NewInstance(const std::string& Name) const { return new TIFuzzyVariable(Name); }

std::unique_ptr<TIFuzzySets> TIFuzzyVariable::CreateItems() { return std::make_unique<TIFuzzySets>(this); }

void* TIFuzzyVariable::GetInterface(const TGUID& IID) noexcept {
  if (void* P = GetInterfaceOf<IFuzzyVariable, ICloneable>(this, IID)) return P;
  return TInterfacedMixin::GetInterface(IID);
}

void TIFuzzyVariable::Assign(const TPersistent*) { NotYet(); }
void TIFuzzyVariable::Assign(IInterface*) { NotYet(); }
void TIFuzzyVariable::AssignTo(TPersistent* Dest) const { TIFuzzyVariablePersistent::AssignTo(Dest); }
Intf<IInterface> TIFuzzyVariable::Clone() { NotYet(); }
bool TIFuzzyVariable::Equals(IInterface*) const { NotYet(); }
std::string TIFuzzyVariable::ToString() const { return FName; }
Intf<IFuzzyParser> TIFuzzyVariable::GetParser() const { return FParser.Get(); }
void TIFuzzyVariable::SetOnFuzzySetAdded(TIFuzzySetEvent Value) { FOnFuzzySetAdded = std::move(Value); }
void TIFuzzyVariable::SetOnFuzzySetDeleted(TIFuzzySetEvent Value) { FOnFuzzySetDeleted = std::move(Value); }
void TIFuzzyVariable::SetComment(const std::string& Value) { FComment = Value; }
void TIFuzzyVariable::SetParser(IFuzzyParser* Value) { FParser.Set(Value); }
void TIFuzzyVariable::SetDefuzzificationMethod(TDefuzzificationMethod Value) { FDefuzzificationMethod = Value; }
void TIFuzzyVariable::SetMaximum(TFzyFloat Value) { FMaximum = Value; }
void TIFuzzyVariable::SetMinimum(TFzyFloat Value) { FMinimum = Value; }
void TIFuzzyVariable::SetName(const std::string& Value) { FName = Value; }
void TIFuzzyVariable::SetUnits(const std::string& Value) { FUnits = Value; }
void TIFuzzyVariable::SetNumFunctionValues(Integer Value) { FNumFunctionValues = Value; }
void TIFuzzyVariable::SetOnChange(TNotifyEvent Value) { FOnChange = std::move(Value); }
void TIFuzzyVariable::SetOnVariableChange(TIFuzzyVariableEvent Value) { FOnVariableChange = std::move(Value); }
void TIFuzzyVariable::SetOnFuzzySetChange(TIFuzzySetEvent Value) { FOnFuzzySetChange = std::move(Value); }
void TIFuzzyVariable::SetThreshold(TFzyFloat Value) { FThreshold = Value; }
TFzyFloat TIFuzzyVariable::GetCorrelationStrength(std::span<const Intf<IFuzzySet>>,
                                                  std::span<const Intf<IFuzzySet>>) const {
  NotYet();
}
Intf<IFuzzySet> TIFuzzyVariable::AssertRule(std::span<const Intf<IFuzzySet>>, std::span<const Intf<IFuzzySet>>,
                                            IFuzzySet*, IFuzzySet*) {
  NotYet();
}
Intf<IFuzzySet> TIFuzzyVariable::AssertRule(TFzyFloat, IFuzzySet*, IFuzzySet*) { NotYet(); }
Intf<IFuzzySet> TIFuzzyVariable::AssertRule(IFuzzySet*, IFuzzySet*, IFuzzySet*, IFuzzySet*) { NotYet(); }
Integer TIFuzzyVariable::GetCount() const { return FItems->GetCount(); }
Intf<IFuzzySet> TIFuzzyVariable::GetFuzzySet(Integer Index) const { return FItems->GetFuzzySet(Index); }
Intf<IFuzzySet> TIFuzzyVariable::GetFuzzySetByName(const std::string& Index) const {
  return FItems->GetFuzzySetByName(Index);
}
void TIFuzzyVariable::Add(IFuzzySet* FuzzySet) { FItems->Add(FuzzySet); }
Intf<IFuzzySet> TIFuzzyVariable::Add(const std::string& Name) { return FItems->Add(Name); }
void TIFuzzyVariable::AssignFuzzySets(IFuzzyVariable* Source) { FItems->AssignFuzzySets(Source); }
void TIFuzzyVariable::BeginUpdate() { FItems->BeginUpdate(); }
void TIFuzzyVariable::Clear() { FItems->Clear(); }
Intf<IFuzzySet> TIFuzzyVariable::ContainsFuzzySet(const std::string& Name) const {
  return FItems->ContainsFuzzySet(Name);
}
void TIFuzzyVariable::Remove(IFuzzySet* FuzzySet) { FItems->Remove(FuzzySet); }
void TIFuzzyVariable::EndUpdate() { FItems->EndUpdate(); }
void TIFuzzyVariable::FuzzySetChanged(IFuzzySet*) { NotYet(); }
void TIFuzzyVariable::SetItems(const TIFuzzySets* Value) { FItems->Assign(Value); }
void TIFuzzyVariable::Changed() {}
void TIFuzzyVariable::NewFuzzySet(IFuzzySet*) {}
void TIFuzzyVariable::RemoveFuzzySet(IFuzzySet*) {}
void TIFuzzyVariable::ClearFuzzySets() {}
void TIFuzzyVariable::AssignFrom(IFuzzyVariable*) { NotYet(); }

}  // namespace tarnwick
