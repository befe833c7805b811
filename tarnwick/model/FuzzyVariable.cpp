// The linguistic variable of the collection-based model with its rule assertion, the set
// collection it owns (TFuzzySets) and the variable collection of a logic component
// (TFuzzyVariables), which pass their changes up to the logic component.
#include "tarnwick/model/FuzzyVariable.h"

#include <algorithm>
#include <cmath>

#include "tarnwick/model/FuzzyLogicComponent.h"
#include "tarnwick/model/FuzzyParserBase.h"
#include "tarnwick/platform/Format.h"
#include "tarnwick/platform/Strings.h"

namespace tarnwick {

// ---------------------------------------------------------------------------------------------
// TFuzzySets

TFuzzySets::TFuzzySets(TFuzzyVariable* Variable) : TFuzzySets(Variable, TFuzzySetClass::Of<TFuzzySet>()) {}

TFuzzySets::TFuzzySets(TFuzzyVariable* Variable, TFuzzySetClass FuzzySetClass)
    : TGCollection(Variable, FuzzySetClass), FVariable(Variable) {}

TFuzzySets::~TFuzzySets() { DestroyItems(); }

TFuzzySet* TFuzzySets::Add() {
  auto* Set = static_cast<TFuzzySet*>(TGCollection::Add());
  if (FVariable != nullptr) FVariable->FItemIndex = Set->GetIndex();
  return Set;
}

TFuzzySet* TFuzzySets::Add(const std::string& Name) {
  TFuzzySet* Set = Add();
  Set->SetName(Name);
  Set->SetDefined(!Name.empty() && Name != SEmptyFuzzy);
  return Set;
}

TFuzzySet* TFuzzySets::Insert(std::int32_t Index) {
  if (Index < 0 || Index > GetCount()) RaiseListError(SListIndexError, Index);
  return static_cast<TFuzzySet*>(TGCollection::Insert(Index));
}

TFuzzySet* TFuzzySets::GetItemByName(std::string_view Name) const {
  TGCollectionItem* Found = Find(Name);
  if (Found == nullptr) throw EFzyException(Format(LoadResString(SUnknownFuzzySetName), {Name}));
  return static_cast<TFuzzySet*>(Found);
}

void TFuzzySets::SetItemByName(std::string_view Name, const TFuzzySet* Value) {
  GetItemByName(Name)->Assign(Value);
}

std::unique_ptr<TFuzzySetsEnumerator> TFuzzySets::GetEnumerator() const {
  return std::make_unique<TFuzzySetsEnumerator>(this);
}

void TFuzzySets::Notify(TCollectionItem* Item, TCollectionNotification Action) {
  TGCollection::Notify(Item, Action);
  if (FVariable != nullptr) FVariable->Notify(static_cast<TFuzzySet*>(Item), Action);
}

void TFuzzySets::Update(TCollectionItem* Item) {
  TGCollection::Update(Item);
  if (FVariable != nullptr) FVariable->Update(static_cast<TFuzzySet*>(Item));
}

// ---------------------------------------------------------------------------------------------
// TFuzzyVariable

TFuzzyVariable::TFuzzyVariable(TCollection* Collection)
    : TFuzzyVariable(Collection, TFuzzySetClass::Of<TFuzzySet>()) {}

TFuzzyVariable::TFuzzyVariable(TCollection* Collection, TFuzzySetClass FuzzySetClass)
    : TGCollectionItem(nullptr), FSetClass(FuzzySetClass) {
  FItems = CreateItems();
  TCollectionItem::SetCollection(CheckedCast<TFuzzyVariables>(Collection));
}

TFuzzyVariable::~TFuzzyVariable() {
  // The set collection stays (empty) until the variable has left its own collection, so that
  // the handlers of that removal still find a valid, if empty, set collection.
  FItems->DestroyItems();
  TCollectionItem::SetCollection(nullptr);
}

std::unique_ptr<TFuzzySets> TFuzzyVariable::CreateItems() { return std::make_unique<TFuzzySets>(this, FSetClass); }

TFuzzyVariables* TFuzzyVariable::GetCollection() const noexcept {
  return static_cast<TFuzzyVariables*>(TCollectionItem::GetCollection());
}

void TFuzzyVariable::SetCollection(TFuzzyVariables* Value) { TCollectionItem::SetCollection(Value); }

TCustomFuzzyLogic* TFuzzyVariable::GetFuzzy() const {
  const TFuzzyVariables* Variables = GetCollection();
  return Variables ? Variables->GetFuzzy() : nullptr;
}

void TFuzzyVariable::SetName(const std::string& Value) {
  if (Value == FName) return;
  StoreNameField(FName, Value);
  Changed(false);
}

void TFuzzyVariable::SetUnits(const std::string& Value) {
  if (Value == FUnits) return;
  FUnits = Value;
  Changed(false);
}

void TFuzzyVariable::SetComment(const std::string& Value) {
  if (Value == FComment) return;
  FComment = Value;
  Changed(false);
}

// A NaN is no value: the range and the threshold keep what they hold, so that Minimum <=
// Maximum and the threshold's [0, 1] hold whatever a host passes.

void TFuzzyVariable::SetMaximum(TFzyFloat Value) {
  if (Value == FMaximum || std::isnan(Value)) return;
  FMaximum = Value;
  if (FMinimum > FMaximum) SetMinimum(FMaximum);
  Changed(false);
}

void TFuzzyVariable::SetMinimum(TFzyFloat Value) {
  if (Value == FMinimum || std::isnan(Value)) return;
  FMinimum = Value;
  if (FMinimum > FMaximum) SetMaximum(FMinimum);
  Changed(false);
}

void TFuzzyVariable::SetThreshold(TFzyFloat Value) {
  if (Value == FThreshold || std::isnan(Value)) return;
  FThreshold = std::clamp(Value, TFzyFloat{0}, TFzyFloat{1});
}

void TFuzzyVariable::SetItemIndex(std::int32_t Value) {
  if (Value == FItemIndex) return;
  // The index held so far is what must be valid; the new one is taken as given and is brought
  // back into range by the next change of the sets.
  if (FItemIndex >= FItems->GetCount())
    throw EFzyException(Format(LoadResString(SListIndexError), {Value}));
  FItemIndex = Value;
  Changed(false);
}

void TFuzzyVariable::SetItems(const TFuzzySets* Value) { FItems->Assign(Value); }

void TFuzzyVariable::ClampItemIndex() noexcept {
  const std::int32_t Count = FItems ? FItems->GetCount() : 0;
  if (FItemIndex >= Count) FItemIndex = Count - 1;
}

std::string TFuzzyVariable::GetDisplayName() const {
  return FName.empty() ? TGCollectionItem::GetDisplayName() : FName;
}

std::string TFuzzyVariable::ToString() const {
  if (TCustomFuzzyLogic* Fuzzy = GetFuzzy())
    if (TCustomFuzzyLogicParser* Parser = Fuzzy->GetParser()) return Parser->PrettyPrint(this);
  return GetDisplayName();
}

void TFuzzyVariable::Assign(const TPersistent* Source) {
  const auto* Other = dynamic_cast<const TFuzzyVariable*>(Source);
  if (Other == nullptr) {
    TGCollectionItem::Assign(Source);
    return;
  }
  StoreNameField(FName, Other->FName);
  FMinimum = Other->FMinimum;
  FMaximum = Other->FMaximum;
  FThreshold = Other->FThreshold;
  FUnits = Other->FUnits;
  FComment = Other->FComment;
  FItemIndex = Other->FItemIndex;
  FItems->Assign(Other->FItems.get());
}

void TFuzzyVariable::AssignTo(TPersistent* Dest) const {
  auto* Lines = dynamic_cast<TStrings*>(Dest);
  if (Lines == nullptr) {
    TGCollectionItem::AssignTo(Dest);
    return;
  }
  TUpdateBlock<TStrings> Block(*Lines);
  Lines->Clear();
  for (TCollectionItem* Item : *FItems) {
    auto* Set = static_cast<TFuzzySet*>(Item);
    Lines->AddObject(Set->GetName(), Set);
  }
}

void TFuzzyVariable::Notify(TFuzzySet* FuzzySet, TCollectionNotification Action) {
  if (TFuzzyVariables* Variables = GetCollection()) Variables->NotifyFuzzySet(FuzzySet, Action);
  else Changed(false);
}

void TFuzzyVariable::Update(TFuzzySet* FuzzySet) {
  ClampItemIndex();
  TFuzzyVariables* Variables = GetCollection();
  if (FuzzySet != nullptr && Variables != nullptr) Variables->UpdateFuzzySet(FuzzySet);
  else Changed(false);
}

// ---------------------------------------------------------------------------------------------
// Rule assertion

TFzyFloat TFuzzyVariable::GetCorrelationStrength(std::span<TFuzzySet* const> Premises,
                                                 std::span<TFuzzySet* const> Matchings) const {
  // Every premise needs the evidence it is matched against; a missing one is a caller's
  // mistake, not a rule that fails to fire.
  if (Matchings.size() < Premises.size()) throw EArgumentOutOfRangeException(LoadResString(SArgumentOutOfRange));
  TFzyFloat Result = 1;
  for (std::size_t I = 0; I < Premises.size(); ++I) {
    if (Premises[I] == nullptr || Matchings[I] == nullptr)
      throw EArgumentException(LoadResString(SArgumentOutOfRange));
    Result = std::min(Result, Premises[I]->GetCorrelationStrength(Matchings[I]));
  }
  return Result;
}

TFuzzySet* TFuzzyVariable::AssertRule(std::span<TFuzzySet* const> Premises, std::span<TFuzzySet* const> Matchings,
                                      const TFuzzySet* NewEvidence, const TFuzzySet* OldEvidence) {
  return AssertRule(GetCorrelationStrength(Premises, Matchings), NewEvidence, OldEvidence);
}

TFuzzySet* TFuzzyVariable::AssertRule(const TFuzzySet* Premise, const TFuzzySet* NewEvidence,
                                      const TFuzzySet* Matching, const TFuzzySet* OldEvidence) {
  return AssertRule(Premise->GetCorrelationStrength(Matching), NewEvidence, OldEvidence);
}

TFuzzySet* TFuzzyVariable::AssertRule(TFzyFloat CorrelationStrength, const TFuzzySet* NewEvidence,
                                      const TFuzzySet* OldEvidence) {
  if (CorrelationStrength < FThreshold) return nullptr;
  // The correlated copy lives where NewEvidence lives (a set of no variable gives a copy of no
  // collection, which the caller owns like any other result).
  std::unique_ptr<TFuzzySet> Correlated(NewEvidence->Clone());
  Correlated->Correlate(CorrelationStrength);
  if (OldEvidence == nullptr) return Correlated.release();
  return OldEvidence->Infer(Correlated.get(), false);
}

// ---------------------------------------------------------------------------------------------
// TFuzzyVariables

TFuzzyVariables::TFuzzyVariables(TCustomFuzzyLogic* Fuzzy)
    : TFuzzyVariables(Fuzzy, TFuzzyVariableClass::Of<TFuzzyVariable>(), TFuzzySetClass::Of<TFuzzySet>()) {}

TFuzzyVariables::TFuzzyVariables(TCustomFuzzyLogic* Fuzzy, TFuzzyVariableClass FuzzyVariableClass)
    : TFuzzyVariables(Fuzzy, FuzzyVariableClass, TFuzzySetClass::Of<TFuzzySet>()) {}

TFuzzyVariables::TFuzzyVariables(TCustomFuzzyLogic* Fuzzy, TFuzzyVariableClass FuzzyVariableClass,
                                 TFuzzySetClass SetClass)
    : TGCollection(Fuzzy, FuzzyVariableClass.GetItemClass()),
      FFuzzy(dynamic_cast<TFuzzyLogic*>(Fuzzy)),
      FVariableClass(FuzzyVariableClass),
      FSetClass(SetClass) {}

TFuzzyVariables::~TFuzzyVariables() { DestroyItems(); }

TFuzzyVariable* TFuzzyVariables::Add() { return FVariableClass.Create(this, FSetClass); }

TFuzzyVariable* TFuzzyVariables::Add(const std::string& Name) {
  TFuzzyVariable* Variable = Add();
  Variable->SetName(Name);
  return Variable;
}

TFuzzyVariable* TFuzzyVariables::Insert(std::int32_t Index) {
  if (Index < 0 || Index > GetCount()) RaiseListError(SListIndexError, Index);
  TFuzzyVariable* Variable = Add();
  Variable->SetIndex(Index);
  return Variable;
}

TFuzzyVariable* TFuzzyVariables::GetItemByName(std::string_view Name) const {
  TGCollectionItem* Found = Find(Name);
  if (Found == nullptr) throw EFzyException(Format(LoadResString(SUnknownFuzzyVarName), {Name}));
  return static_cast<TFuzzyVariable*>(Found);
}

void TFuzzyVariables::SetItemByName(std::string_view Name, const TFuzzyVariable* Value) {
  GetItemByName(Name)->Assign(Value);
}

std::unique_ptr<TFuzzyVariablesEnumerator> TFuzzyVariables::GetEnumerator() const {
  return std::make_unique<TFuzzyVariablesEnumerator>(this);
}

void TFuzzyVariables::Notify(TCollectionItem* Item, TCollectionNotification Action) {
  TGCollection::Notify(Item, Action);
  if (FFuzzy != nullptr) FFuzzy->NotifyVariable(static_cast<TFuzzyVariable*>(Item), Action);
}

void TFuzzyVariables::Update(TCollectionItem* Item) {
  TGCollection::Update(Item);
  auto* Variable = static_cast<TFuzzyVariable*>(Item);
  if (Variable != nullptr) Variable->ClampItemIndex();
  if (FFuzzy != nullptr) FFuzzy->UpdateVariable(Variable);
}

void TFuzzyVariables::UpdateFuzzySet(TFuzzySet* FuzzySet) {
  if (FFuzzy != nullptr) FFuzzy->UpdateFuzzySet(FuzzySet);
}

void TFuzzyVariables::NotifyFuzzySet(TFuzzySet* FuzzySet, TCollectionNotification Action) {
  if (FFuzzy != nullptr) FFuzzy->NotifyFuzzySet(FuzzySet, Action);
}

TFuzzySetsEnumerator::~TFuzzySetsEnumerator() = default;
TFuzzyVariablesEnumerator::~TFuzzyVariablesEnumerator() = default;

}  // namespace tarnwick
