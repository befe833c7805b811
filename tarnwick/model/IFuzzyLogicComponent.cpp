// The interface logic component, its variable table and the typed string list of variables.
#include "tarnwick/model/IFuzzyLogicComponent.h"

#include <algorithm>
#include <cstddef>
#include <exception>
#include <iterator>
#include <utility>

#include "tarnwick/model/FuzzyParserBase.h"
#include "tarnwick/platform/Classes.h"
#include "tarnwick/platform/ComponentStreaming.h"
#include "tarnwick/platform/ScopeGuard.h"

namespace tarnwick {

// ---------------------------------------------------------------------------------------------
// TFuzzyVariableTable

TFuzzyVariableTable::TFuzzyVariableTable(TIFuzzyLogic* FuzzyLogic) : FFuzzyLogic(FuzzyLogic) {}

TFuzzyVariableTable::~TFuzzyVariableTable() = default;

void TFuzzyVariableTable::Add(IFuzzyVariable* FuzzyVariable) {
  Put(FuzzyVariable->GetName(), Intf<IFuzzyVariable>(FuzzyVariable));
}

Intf<IFuzzyVariable> TFuzzyVariableTable::ContainsVariable(const std::string& Name) const {
  Intf<IFuzzyVariable> Found;
  ContainsKey(Name, Found);
  return Found;
}

void TFuzzyVariableTable::Remove(IFuzzyVariable* FuzzyVariable) {
  if (FuzzyVariable == nullptr) return;
  const std::string Name = FuzzyVariable->GetName();
  if (ContainsVariable(Name).get() == FuzzyVariable) TInherited::Remove(Name);
}

void TFuzzyVariableTable::DoAdd(Integer HashCode, Integer Index, const std::string& Key,
                                const Intf<IFuzzyVariable>& Value) {
  TInherited::DoAdd(HashCode, Index, Key, Value);
  if (FFuzzyLogic != nullptr && !FRestoring) FFuzzyLogic->VariableAdded(Value.get());
}

void TFuzzyVariableTable::DoSetValue(Integer Index, const Intf<IFuzzyVariable>& Value) {
  TInherited::DoSetValue(Index, Value);
  // The key is not notified when only its value changes.
  FStored.AddOrSetValue(OccupiedSlot(Index)->Key, ++FStoreCount);
  if (FFuzzyLogic != nullptr) FFuzzyLogic->VariableAdded(Value.get());
}

void TFuzzyVariableTable::KeyNotify(const std::string& Key, TCollectionNotification Action) {
  TInherited::KeyNotify(Key, Action);
  if (Action == cnAdded)
    FStored.AddOrSetValue(Key, ++FStoreCount);
  else if (Action == cnRemoved || Action == cnExtracted)
    FStored.Remove(Key);
}

TFuzzyVariableTable::TContents TFuzzyVariableTable::GetContents() const {
  struct TStored {
    std::int64_t When;
    std::string Key;
    Intf<IFuzzyVariable> Variable;
  };
  std::vector<TStored> Stored;
  Stored.reserve(static_cast<std::size_t>(GetCount()));
  for (Integer I = 0; I < GetCount(); ++I) {
    std::int64_t When = 0;
    std::string Key = GetKeyByIndex(I);
    FStored.TryGetValue(Key, When);
    Stored.push_back({When, std::move(Key), GetItemByIndex(I)});
  }
  std::sort(Stored.begin(), Stored.end(), [](const TStored& A, const TStored& B) { return A.When < B.When; });
  TContents Result;
  Result.reserve(Stored.size());
  for (TStored& Entry : Stored) Result.emplace_back(std::move(Entry.Key), std::move(Entry.Variable));
  return Result;
}

std::vector<Intf<IFuzzyVariable>> TFuzzyVariableTable::GetStoringOrder() const {
  std::vector<Intf<IFuzzyVariable>> Result;
  for (auto& Entry : GetContents()) Result.push_back(std::move(Entry.second));
  return Result;
}

void TFuzzyVariableTable::Restore(const TContents& Contents) {
  const TRestoreValue Restoring(FRestoring, true);
  Clear();
  for (const auto& [Key, Variable] : Contents) Put(Key, Variable);
}

Intf<IFuzzyVariable> TFuzzyVariableTable::DoRemove(const std::string& Key, Integer HashCode,
                                                   TCollectionNotification Notification) {
  Intf<IFuzzyVariable> Removed = TInherited::DoRemove(Key, HashCode, Notification);
  if (FFuzzyLogic != nullptr && Removed) FFuzzyLogic->VariableDeleted(Removed.get());
  return Removed;
}

// ---------------------------------------------------------------------------------------------
// TFuzzyVariableStrings

TFuzzyVariableStrings::TFuzzyVariableStrings(TIFuzzyLogic* FuzzyLogic) : FFuzzyLogic(FuzzyLogic) {}

TFuzzyVariableStrings::~TFuzzyVariableStrings() = default;

Intf<IFuzzyVariable> TFuzzyVariableStrings::GetData(Integer Index) const {
  return AsIntf<IFuzzyVariable>(collections::TStringList<Intf<IInterface>>::GetData(Index));
}

void TFuzzyVariableStrings::PutData(Integer Index, IFuzzyVariable* Value) {
  using TInherited = collections::TStringList<Intf<IInterface>>;
  if (FFuzzyLogic != nullptr) {
    if (Intf<IFuzzyVariable> Old = QueryIntf<IFuzzyVariable>(TInherited::GetData(Index)))
      FFuzzyLogic->VariableDeleted(Old.get());
  }
  TInherited::PutData(Index, Intf<IInterface>(Value));
  if (FFuzzyLogic != nullptr) {
    if (Intf<IFuzzyVariable> New = QueryIntf<IFuzzyVariable>(TInherited::GetData(Index)))
      FFuzzyLogic->VariableAdded(New.get());
  }
}

// ---------------------------------------------------------------------------------------------
// TIFuzzyLogic

TIFuzzyLogic::TIFuzzyLogic(TComponent* AOwner)
    : TCustomFuzzyLogic(AOwner), FItemClass(TIFuzzyVariableClass::Of<TIFuzzyVariable>()) {
  FItems = CreateVariables();
}

TIFuzzyLogic::~TIFuzzyLogic() {
  // From here on every weak reference to this component is empty, and with it every set-event
  // link that a variable outside the table still holds.
  Destroying();
  FOnFuzzySetChange = nullptr;
  FOnFuzzySetAdded = nullptr;
  FOnFuzzySetDeleted = nullptr;
  FOnVariableChange = nullptr;
  FOnVariableAdded = nullptr;
  FOnVariableDeleted = nullptr;
  SetOnChange(nullptr);
  FItems.reset();
}

std::unique_ptr<TFuzzyVariableTable> TIFuzzyLogic::CreateVariables() {
  return std::make_unique<TFuzzyVariableTable>(this);
}

void TIFuzzyLogic::SetItems(const TFuzzyVariableTable* Value) { FItems->Assign(Value); }

void TIFuzzyLogic::Loaded() {
  TTextBeforeLoading Before = TakeTextBeforeLoading();
  TCustomFuzzyLogic::Loaded();
  // Reading the component's properties touched no variable of the table but to give it the
  // threshold; only the parse below changes what the table holds.
  const TFuzzyVariableTable::TContents Variables = FItems->GetContents();
  const char* AtFault = "Parser";
  try {
    CheckParser();
    AtFault = "Strings";
    Parse();
  } catch (const Exception& E) {
    FItems->Restore(Variables);
    RestoreText(std::move(Before));
    std::throw_with_nested(ELoadedValueError(E.what(), AtFault));
  }
}

void TIFuzzyLogic::ClearVariables() { FItems->Clear(); }

void TIFuzzyLogic::UpdateStrings() {
  TCustomFuzzyLogic::UpdateStrings();
  if (IsLoading()) return;
  TStrings* Lines = GetStringsField();
  TUpdateBlock<TStrings> Block(*Lines);
  Lines->Clear();
  for (const Intf<IFuzzyVariable>& Variable : FItems->GetStoringOrder()) Lines->Add(Variable->ToString());
}

void TIFuzzyLogic::ThresholdChanged() {
  TCustomFuzzyLogic::ThresholdChanged();
  for (Integer I = 0; I < FItems->GetCount(); ++I) FItems->GetItemByIndex(I)->SetThreshold(GetThreshold());
}

void TIFuzzyLogic::AddAutoTerms(IFuzzyVariable* Variable) {
  for (std::size_t I = 0; I < std::size(kAutoTermNames); ++I) {
    const std::string Name = LoadResString(*kAutoTermNames[I]);
    if (Variable->ContainsFuzzySet(Name)) continue;
    Intf<IFuzzySet> Term = Variable->Add(Name);
    // The range of the term's own variable, as it stands once the term is there.
    Intf<IFuzzyVariable> Owner = Term->GetVariable();
    IFuzzyVariable* Range = Owner ? Owner.get() : Variable;
    ShapeAutoTerm(I, *Term, Range->GetMinimum(), Range->GetMaximum(),
                  [&Term](TFzyFloat X, TFzyFloat Y) { Term->Add(X, Y); });
  }
}

TIFuzzySetEvent TIFuzzyLogic::Link(TSetHook Hook) {
  // The component counts no references; the weak one only tells whether it still lives.
  WeakIntf<IInterface> Alive(static_cast<IInterface*>(static_cast<TComponent*>(this)));
  return [this, Alive = std::move(Alive), Hook](IFuzzyVariable* Sender, IFuzzySet* FuzzySet) {
    if (!Alive.expired()) (this->*Hook)(Sender, FuzzySet);
  };
}

void TIFuzzyLogic::VariableAdded(IFuzzyVariable* Variable) {
  Variable->SetThreshold(GetThreshold());
  if (GetAutoTerms()) AddAutoTerms(Variable);
  Variable->SetOnFuzzySetAdded(Link(&TIFuzzyLogic::FuzzySetAdded));
  Variable->SetOnFuzzySetDeleted(Link(&TIFuzzyLogic::FuzzySetDeleted));
  Variable->SetOnFuzzySetChange(Link(&TIFuzzyLogic::UpdateFuzzySet));
  DoVariableAdded(Variable);
}

void TIFuzzyLogic::VariableDeleted(IFuzzyVariable* Variable) {
  Variable->SetOnFuzzySetAdded(nullptr);
  Variable->SetOnFuzzySetDeleted(nullptr);
  Variable->SetOnFuzzySetChange(nullptr);
  DoVariableDeleted(Variable);
}

void TIFuzzyLogic::FuzzySetAdded(IFuzzyVariable* Variable, IFuzzySet* FuzzySet) { DoFuzzySetAdded(Variable, FuzzySet); }

void TIFuzzyLogic::FuzzySetDeleted(IFuzzyVariable* Variable, IFuzzySet* FuzzySet) {
  DoFuzzySetDeleted(Variable, FuzzySet);
}

void TIFuzzyLogic::UpdateVariable(IFuzzyVariable* Variable) {
  SetNeedsUpdate(true);
  if (Variable != nullptr) DoVariableChange(Variable);
  else DoChange();
}

void TIFuzzyLogic::UpdateFuzzySet(IFuzzyVariable* Variable, IFuzzySet* FuzzySet) {
  SetNeedsUpdate(true);
  DoFuzzySetChange(Variable, FuzzySet);
}

void TIFuzzyLogic::DoChange() {
  if (GetOnChange()) GetOnChange()(this);
}
void TIFuzzyLogic::DoFuzzySetChange(IFuzzyVariable* Variable, IFuzzySet* FuzzySet) {
  if (FOnFuzzySetChange) FOnFuzzySetChange(Variable, FuzzySet);
}
void TIFuzzyLogic::DoFuzzySetAdded(IFuzzyVariable* Variable, IFuzzySet* FuzzySet) {
  if (FOnFuzzySetAdded) FOnFuzzySetAdded(Variable, FuzzySet);
}
void TIFuzzyLogic::DoFuzzySetDeleted(IFuzzyVariable* Variable, IFuzzySet* FuzzySet) {
  if (FOnFuzzySetDeleted) FOnFuzzySetDeleted(Variable, FuzzySet);
}
void TIFuzzyLogic::DoVariableChange(IFuzzyVariable* Variable) {
  if (FOnVariableChange) FOnVariableChange(Variable);
}
void TIFuzzyLogic::DoVariableAdded(IFuzzyVariable* Variable) {
  if (FOnVariableAdded) FOnVariableAdded(Variable);
}
void TIFuzzyLogic::DoVariableDeleted(IFuzzyVariable* Variable) {
  if (FOnVariableDeleted) FOnVariableDeleted(Variable);
}

}  // namespace tarnwick
