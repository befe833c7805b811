// The logic components: the settings, parser link and definition text of TCustomFuzzyLogic, and
// TFuzzyLogic, which owns the variables of the collection-based model, adds their automatic
// terms and fires the events of their changes.
#include "tarnwick/model/FuzzyLogicComponent.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <iterator>
#include <string>
#include <typeinfo>
#include <utility>

#include "tarnwick/model/FuzzyParserBase.h"
#include "tarnwick/model/detail/DefinitionVariables.h"
#include "tarnwick/platform/Format.h"
#include "tarnwick/platform/ScopeGuard.h"

namespace tarnwick {

// ---------------------------------------------------------------------------------------------
// TCustomFuzzyLogic

TCustomFuzzyLogic::TCustomFuzzyLogic(TComponent* AOwner)
    : TComponent(AOwner), FStrings(std::make_unique<TStringList>()), FVariables(std::make_unique<TStringList>()) {
  FVariables->SetCaseSensitive(false);
}

TCustomFuzzyLogic::~TCustomFuzzyLogic() { SetParser(nullptr); }

void TCustomFuzzyLogic::RaiseParserUnassigned() { throw EFzyException(LoadResString(SParserUnassigned)); }

void TCustomFuzzyLogic::SetThreshold(TFzyFloat Value) {
  if (Value == FThreshold || std::isnan(Value)) return;  // a NaN is no threshold: keep the old one
  FThreshold = std::clamp(Value, TFzyFloat{0}, TFzyFloat{1});
  ThresholdChanged();
}

void TCustomFuzzyLogic::SetNumFunctionValues(std::int32_t Value) noexcept {
  FNumFunctionValues = std::clamp(Value, std::int32_t{2}, kMaxNumFunctionValues);
}

void TCustomFuzzyLogic::SetParser(TCustomFuzzyLogicParser* Value) {
  if (Value == FParser) return;
  if (FParser != nullptr) FParser->RemoveFreeNotification(this);
  FParser = Value;
  if (FParser != nullptr) FParser->FreeNotification(this);
}

void TCustomFuzzyLogic::SetVariables(const TStrings* Value) { FVariables->Assign(Value); }

TStrings* TCustomFuzzyLogic::GetStrings() {
  // A reader fills the list it gets here.
  if (IsLoading()) KeepTextBeforeLoading();
  if (FNeedsUpdate) UpdateStrings();
  return FStrings.get();
}

void TCustomFuzzyLogic::SetStrings(const TStrings* Value) {
  if (IsLoading()) KeepTextBeforeLoading();
  FStrings->Assign(Value);
  Parse();
}

void TCustomFuzzyLogic::KeepTextBeforeLoading() {
  if (FTextBeforeLoading.Text) return;
  auto Text = std::make_unique<TStringList>();
  Text->Assign(FStrings.get());
  FTextBeforeLoading.NeedsUpdate = FNeedsUpdate;
  FTextBeforeLoading.Text = std::move(Text);
}

TCustomFuzzyLogic::TTextBeforeLoading TCustomFuzzyLogic::TakeTextBeforeLoading() noexcept {
  TTextBeforeLoading Result = std::move(FTextBeforeLoading);
  FTextBeforeLoading = TTextBeforeLoading{};
  if (!Result.Text) Result.NeedsUpdate = FNeedsUpdate;
  return Result;
}

void TCustomFuzzyLogic::RestoreText(TTextBeforeLoading Before) {
  if (Before.Text) FStrings->Assign(Before.Text.get());
  FNeedsUpdate = Before.NeedsUpdate;
}

void TCustomFuzzyLogic::Loaded() {
  TComponent::Loaded();
  FTextBeforeLoading = TTextBeforeLoading{};
}

void TCustomFuzzyLogic::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent != nullptr && AComponent == static_cast<TComponent*>(FParser))
    SetParser(nullptr);
}

void TCustomFuzzyLogic::CheckParser() const {
  if (FParser == nullptr) RaiseParserUnassigned();
  const TCustomFuzzyLogic* Served = FParser->GetFuzzyLogic();
  if (Served == nullptr || Served == this) return;  // none: the parser says so itself
  auto Label = [](const TComponent* C) {
    return C->GetName().empty() ? "an unnamed " + C->ClassName() : C->GetName();
  };
  throw EFzyException(Format(LoadResString(SParserOfAnotherLogic), {Label(this), Label(FParser), Label(Served)}));
}

void TCustomFuzzyLogic::Parse() {
  if (IsLoading()) return;
  CheckParser();
  // Text kept by a read that failed before its Loaded is no longer the text before anything.
  FTextBeforeLoading = TTextBeforeLoading{};
  ClearVariables();
  // The stored text is what is to be read, not a print of the model just emptied.
  FNeedsUpdate = false;
  const std::string Text = FStrings->GetText();
  FParser->Parse(Text, nullptr);
  FNeedsUpdate = false;
}

void TCustomFuzzyLogic::ClearVariables() {}

void TCustomFuzzyLogic::UpdateStrings() {
  FNeedsUpdate = false;
  if (!IsLoading() && FParser == nullptr) RaiseParserUnassigned();
}

void TCustomFuzzyLogic::ThresholdChanged() {}

// ---------------------------------------------------------------------------------------------
// TFuzzyLogic

TFuzzyLogic::TFuzzyLogic(TComponent* AOwner)
    : TCustomFuzzyLogic(AOwner), FItemsClass(TFuzzyVariablesClass::Of<TFuzzyVariables>()) {
  FItems = CreateVariables();
}

TFuzzyLogic::~TFuzzyLogic() {
  FOnFuzzySetChange = nullptr;
  FOnFuzzySetAdded = nullptr;
  FOnFuzzySetDeleted = nullptr;
  FOnVariableChange = nullptr;
  FOnVariableAdded = nullptr;
  FOnVariableDeleted = nullptr;
  SetOnChange(nullptr);
  FItems.reset();
}

std::unique_ptr<TFuzzyVariables> TFuzzyLogic::CreateVariables() {
  return std::unique_ptr<TFuzzyVariables>(FItemsClass.Create(this));
}

void TFuzzyLogic::SetItems(const TFuzzyVariables* Value) { FItems->Assign(Value); }

void TFuzzyLogic::ClearVariables() { FItems->Clear(); }

void TFuzzyLogic::UpdateStrings() {
  TCustomFuzzyLogic::UpdateStrings();
  if (IsLoading()) return;
  TStrings* Lines = GetStringsField();
  TUpdateBlock<TStrings> Block(*Lines);
  Lines->Clear();
  for (TCollectionItem* Item : *FItems) Lines->Add(GetParser()->PrettyPrint(static_cast<TFuzzyVariable*>(Item)));
}

void TFuzzyLogic::ThresholdChanged() {
  TCustomFuzzyLogic::ThresholdChanged();
  for (TCollectionItem* Item : *FItems) static_cast<TFuzzyVariable*>(Item)->SetThreshold(GetThreshold());
}

void TFuzzyLogic::NotifyVariable(TFuzzyVariable* FuzzyVariable, TCollectionNotification Action) {
  if (Action == cnAdded) {
    // Taken at once: what a handler adds is no definition's variable.
    const bool Definition = std::exchange(FNextIsDefinition, false);
    FuzzyVariable->SetThreshold(GetThreshold());
    DoVariableAdded(FuzzyVariable);
    if (GetAutoTerms() && !(Definition && LeaveOutUnseenAutoTerms(FuzzyVariable))) AddAutoTerms(FuzzyVariable);
  } else if (Action == cnExtracting) {
    DoVariableDeleted(FuzzyVariable);
  }
}

void TFuzzyLogic::NotifyFuzzySet(TFuzzySet* FuzzySet, TCollectionNotification Action) {
  if (Action == cnAdded) DoFuzzySetAdded(FuzzySet);
  else if (Action == cnExtracting) DoFuzzySetDeleted(FuzzySet);
}

void TFuzzyLogic::UpdateVariable(TFuzzyVariable* FuzzyVariable) {
  SetNeedsUpdate(true);
  if (FuzzyVariable != nullptr) DoVariableChange(FuzzyVariable);
  else DoChange();
}

void TFuzzyLogic::UpdateFuzzySet(TFuzzySet* FuzzySet) {
  SetNeedsUpdate(true);
  DoFuzzySetChange(FuzzySet);
}

void TFuzzyLogic::AddAutoTerms(TFuzzyVariable* FuzzyVariable) {
  TFuzzySets* Sets = FuzzyVariable->GetItems();
  for (std::size_t I = 0; I < std::size(kAutoTermNames); ++I) {
    const std::string Name = LoadResString(*kAutoTermNames[I]);
    if (Sets->Find(Name) != nullptr) continue;
    TFuzzySet* Term = Sets->Add(Name);
    ShapeAutoTerm(I, *Term, FuzzyVariable->GetMinimum(), FuzzyVariable->GetMaximum(),
                  [Term](TFzyFloat X, TFzyFloat Y) { Term->GetValues()->Add(X, Y); });
  }
}

bool TFuzzyLogic::LeaveOutUnseenAutoTerms(TFuzzyVariable* FuzzyVariable) {
  // From here until the reader frees the terms only the library's own code runs, and none of
  // it reads a term, as long as every class on the way is the library's own (a descendant's
  // constructor, notices and reports could), no handler hears of a term or of the variable's
  // leaving, and the update block holds back the reports of the variable and the collection.
  // The variable's own class shows in its collection's item class: while its base constructor
  // announces it, it is not yet of its final class.
  if (!IsExactClass(*this, typeid(TFuzzyLogic)) || !IsExactClass(*FItems, typeid(TFuzzyVariables)) ||
      FItems->GetItemClass() != TCollectionItemClass::Of<TFuzzyVariable>() || FItems->GetUpdateCount() == 0 ||
      FuzzyVariable->GetCollection() != FItems.get())
    return false;
  TFuzzySets* Sets = FuzzyVariable->GetItems();
  if (!IsExactClass(*Sets, typeid(TFuzzySets)) || Sets->GetItemClass() != TCollectionItemClass::Of<TFuzzySet>() ||
      Sets->GetCount() != 0)
    return false;
  if (FOnFuzzySetAdded || FOnFuzzySetChange || FOnVariableDeleted) return false;

  // AddAutoTerms on a variable without sets adds one term per distinct name, and the name of
  // each (unless empty) must pass the set's check, which would raise with the first terms made.
  std::string Names[std::size(kAutoTermNames)];
  std::int32_t Made = 0;
  for (std::size_t I = 0; I < std::size(kAutoTermNames); ++I) {
    Names[I] = LoadResString(*kAutoTermNames[I]);
    if (!Names[I].empty() && IsFuzzyOperatorWord(Names[I])) return false;
    if (std::find(Names, Names + I, Names[I]) == Names + I) ++Made;
  }
  // What the made and freed terms would leave: their IDs taken, and the text out of date (each
  // term's points report a change).
  Sets->SkipIDs(Made);
  SetNeedsUpdate(true);
  return true;
}

TFuzzyVariable* detail::TDefinitionVariables::Add(TFuzzyLogic& Logic) {
  Logic.FNextIsDefinition = true;
  // Also when the variable never joins: the next one to join may be no definition's.
  const TScopeExit Disarm([&Logic]() noexcept { Logic.FNextIsDefinition = false; });
  return Logic.GetItems()->Add();
}

void TFuzzyLogic::DoChange() {
  if (GetOnChange()) GetOnChange()(this);
}
void TFuzzyLogic::DoFuzzySetChange(TFuzzySet* FuzzySet) {
  if (FOnFuzzySetChange) FOnFuzzySetChange(this, FuzzySet);
}
void TFuzzyLogic::DoFuzzySetAdded(TFuzzySet* FuzzySet) {
  if (FOnFuzzySetAdded) FOnFuzzySetAdded(this, FuzzySet);
}
void TFuzzyLogic::DoFuzzySetDeleted(TFuzzySet* FuzzySet) {
  if (FOnFuzzySetDeleted) FOnFuzzySetDeleted(this, FuzzySet);
}
void TFuzzyLogic::DoVariableChange(TFuzzyVariable* FuzzyVariable) {
  if (FOnVariableChange) FOnVariableChange(this, FuzzyVariable);
}
void TFuzzyLogic::DoVariableAdded(TFuzzyVariable* FuzzyVariable) {
  if (FOnVariableAdded) FOnVariableAdded(this, FuzzyVariable);
}
void TFuzzyLogic::DoVariableDeleted(TFuzzyVariable* FuzzyVariable) {
  if (FOnVariableDeleted) FOnVariableDeleted(this, FuzzyVariable);
}

}  // namespace tarnwick
