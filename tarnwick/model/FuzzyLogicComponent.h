// The logic components: TCustomFuzzyLogic holds the settings that sets, variables and the parser
// read and keeps the definition text in step with the model; TFuzzyLogic owns the variables of
// the collection-based model and turns the reports of their chain into its seven events.
//
// The definition text is up to date or out of date: every change report marks it out of date,
// and the next read of Strings prints every variable anew through the linked parser. Writing
// Strings parses the text; after a parse without error it reads back exactly as written.
#ifndef TARNWICK_MODEL_FUZZYLOGICCOMPONENT_H_
#define TARNWICK_MODEL_FUZZYLOGICCOMPONENT_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "tarnwick/model/FuzzyConsts.h"
#include "tarnwick/model/FuzzyInterfaces.h"
#include "tarnwick/model/FuzzySet.h"
#include "tarnwick/model/FuzzyVariable.h"
#include "tarnwick/platform/Component.h"
#include "tarnwick/platform/Events.h"
#include "tarnwick/platform/Strings.h"

namespace tarnwick {

class TCustomFuzzyLogicParser;
namespace detail {
struct TDefinitionVariables;  // model/detail/DefinitionVariables.h
}

// The automatic terms, in the order a logic component adds them, and their shapes over a
// range [Min, Max]: "low" falls from (Min, 1) to (Max, 0), "medium" is the triangle whose peak
// stands in the middle, "high" rises from (Min, 0) to (Max, 1). Both logic components add them
// through here, each through its own form of set.
inline constexpr const TResString* kAutoTermNames[] = {&SLowFuzzyTerm, &SMediumFuzzyTerm, &SHighFuzzyTerm};

// Gives Term the shape of automatic term Which (its place in kAutoTermNames); AddPoint(X, Y)
// adds one point to Term.
template <typename TTerm, typename TAddPoint>
void ShapeAutoTerm(std::size_t Which, TTerm& Term, TFzyFloat Min, TFzyFloat Max, TAddPoint&& AddPoint) {
  switch (Which) {
    case 0:
      AddPoint(Min, 1);
      AddPoint(Max, 0);
      break;
    case 1: Term.CreateTriangleFunctionValues(Min, Min + (Max - Min) / 2, Max); break;
    default:
      AddPoint(Min, 0);
      AddPoint(Max, 1);
      break;
  }
}

class TARNWICK_EXPORT TCustomFuzzyLogic : public TComponent {
 public:
  explicit TCustomFuzzyLogic(TComponent* AOwner);
  ~TCustomFuzzyLogic() override;

  bool GetAutoTerms() const noexcept { return FAutoTerms; }
  void SetAutoTerms(bool Value) noexcept { FAutoTerms = Value; }
  TFuzzyCorrelationMethod GetCorrelationMethod() const noexcept { return FCorrelationMethod; }
  void SetCorrelationMethod(TFuzzyCorrelationMethod Value) noexcept { FCorrelationMethod = Value; }
  TDefuzzificationMethod GetDefuzzificationMethod() const noexcept { return FDefuzzificationMethod; }
  void SetDefuzzificationMethod(TDefuzzificationMethod Value) noexcept { FDefuzzificationMethod = Value; }
  TFuzzyInferenceMethod GetInferenceMethod() const noexcept { return FInferenceMethod; }
  void SetInferenceMethod(TFuzzyInferenceMethod Value) noexcept { FInferenceMethod = Value; }
  const TNotifyEvent& GetOnChange() const noexcept { return FOnChange; }
  void SetOnChange(TNotifyEvent Value) { FOnChange = std::move(Value); }

  TFzyFloat GetThreshold() const noexcept { return FThreshold; }
  // Clamped into [0, 1]; a changed value reaches every variable.
  void SetThreshold(TFzyFloat Value);
  std::int32_t GetNumFunctionValues() const noexcept { return FNumFunctionValues; }
  // Held in [2, kMaxNumFunctionValues].
  void SetNumFunctionValues(std::int32_t Value) noexcept;
  TCustomFuzzyLogicParser* GetParser() const noexcept { return FParser; }
  // Links this side only; the parser's own link to the logic is the host's to set.
  void SetParser(TCustomFuzzyLogicParser* Value);
  // Name=value lines that expressions read (?name); names ignore case.
  TStrings* GetVariables() const noexcept { return FVariables.get(); }
  void SetVariables(const TStrings* Value);
  // The definition text, printed anew first when the model changed since it was last set.
  TStrings* GetStrings();
  // Stores the text, then parses it.
  void SetStrings(const TStrings* Value);
  bool GetNeedsUpdate() const noexcept { return FNeedsUpdate; }

  virtual void UpdateStrings();
  // Reads the stored text into the model through the parser, nothing while loading. The parser
  // must be linked and parse into this component (CheckParser), else nothing changes; then the
  // model is emptied (ClearVariables) and the text read. What was read before an error stays.
  virtual void Parse();

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // Drops the text kept from before loading (see TakeTextBeforeLoading).
  void Loaded() override;
  virtual void ThresholdChanged();
  // Empties the model before a parse reads the text into it; nothing here.
  virtual void ClearVariables();
  // Raises EFzyException without a parser (SParserUnassigned) and when the parser is linked to
  // another logic component, into which it would read this one's text (SParserOfAnotherLogic).
  void CheckParser() const;
  void SetNeedsUpdate(bool Value) noexcept { FNeedsUpdate = Value; }
  TStrings* GetStringsField() const noexcept { return FStrings.get(); }
  [[noreturn]] static void RaiseParserUnassigned();

  // The text as it was before loading changed it, for a Loaded that must undo a stored text it
  // cannot take: kept at the first change of the text while loading (Text empty when there
  // was none), with the mark it had.
  struct TTextBeforeLoading {
    std::unique_ptr<TStringList> Text;
    bool NeedsUpdate = false;
  };
  TTextBeforeLoading TakeTextBeforeLoading() noexcept;
  void RestoreText(TTextBeforeLoading Before);

 private:
  void KeepTextBeforeLoading();

  std::int32_t FNumFunctionValues = kDefaultNumFunctionValues;
  TNotifyEvent FOnChange;
  TDefuzzificationMethod FDefuzzificationMethod = dmCenterOfGravity;
  TCustomFuzzyLogicParser* FParser = nullptr;
  std::unique_ptr<TStringList> FStrings;
  bool FNeedsUpdate = false;
  std::unique_ptr<TStringList> FVariables;
  bool FAutoTerms = true;
  TFuzzyCorrelationMethod FCorrelationMethod = fcmMinimum;
  TFuzzyInferenceMethod FInferenceMethod = fimMinMax;
  TFzyFloat FThreshold = 0.01;
  TTextBeforeLoading FTextBeforeLoading;
};

class TARNWICK_EXPORT TFuzzyLogic : public TCustomFuzzyLogic {
 public:
  explicit TFuzzyLogic(TComponent* AOwner);
  // Silences every event, then frees the variables.
  ~TFuzzyLogic() override;

  TFuzzyVariables* GetItems() const noexcept { return FItems.get(); }
  void SetItems(const TFuzzyVariables* Value);

  void SetOnFuzzySetChange(TFuzzySetEvent Value) { FOnFuzzySetChange = std::move(Value); }
  void SetOnFuzzySetAdded(TFuzzySetEvent Value) { FOnFuzzySetAdded = std::move(Value); }
  void SetOnFuzzySetDeleted(TFuzzySetEvent Value) { FOnFuzzySetDeleted = std::move(Value); }
  void SetOnVariableChange(TFuzzyVariableEvent Value) { FOnVariableChange = std::move(Value); }
  void SetOnVariableAdded(TFuzzyVariableEvent Value) { FOnVariableAdded = std::move(Value); }
  void SetOnVariableDeleted(TFuzzyVariableEvent Value) { FOnVariableDeleted = std::move(Value); }
  const TFuzzySetEvent& GetOnFuzzySetChange() const noexcept { return FOnFuzzySetChange; }
  const TFuzzySetEvent& GetOnFuzzySetAdded() const noexcept { return FOnFuzzySetAdded; }
  const TFuzzySetEvent& GetOnFuzzySetDeleted() const noexcept { return FOnFuzzySetDeleted; }
  const TFuzzyVariableEvent& GetOnVariableChange() const noexcept { return FOnVariableChange; }
  const TFuzzyVariableEvent& GetOnVariableAdded() const noexcept { return FOnVariableAdded; }
  const TFuzzyVariableEvent& GetOnVariableDeleted() const noexcept { return FOnVariableDeleted; }

  void UpdateStrings() override;

  // Published: the settings, Variables, Items, the events, Parser and Strings
  // (FuzzyPublished.cpp). Loaded from a stream, it keeps the stored Strings and Items.
  const TClassInfo* ClassInfo() const override;

  // Gives a variable the terms "low", "medium" and "high" over its range, each unless it has
  // a term of that name already.
  virtual void AddAutoTerms(TFuzzyVariable* FuzzyVariable);
  virtual void NotifyFuzzySet(TFuzzySet* FuzzySet, TCollectionNotification Action);
  virtual void NotifyVariable(TFuzzyVariable* FuzzyVariable, TCollectionNotification Action);
  virtual void UpdateVariable(TFuzzyVariable* FuzzyVariable);
  virtual void UpdateFuzzySet(TFuzzySet* FuzzySet);

 protected:
  virtual std::unique_ptr<TFuzzyVariables> CreateVariables();
  void ThresholdChanged() override;
  // Items.Clear: each variable's sets and the variable are reported deleted.
  void ClearVariables() override;

  void DoChange();
  void DoFuzzySetChange(TFuzzySet* FuzzySet);
  void DoFuzzySetAdded(TFuzzySet* FuzzySet);
  void DoFuzzySetDeleted(TFuzzySet* FuzzySet);
  void DoVariableChange(TFuzzyVariable* FuzzyVariable);
  void DoVariableAdded(TFuzzyVariable* FuzzyVariable);
  void DoVariableDeleted(TFuzzyVariable* FuzzyVariable);

 private:
  friend struct detail::TDefinitionVariables;

  // For a variable of a definition reader (detail::TDefinitionVariables), which frees its
  // automatic terms again at once: gives it none, with every effect their making and freeing
  // would have had, when nothing could see them (true); otherwise does nothing (false).
  bool LeaveOutUnseenAutoTerms(TFuzzyVariable* FuzzyVariable);

  TFuzzySetEvent FOnFuzzySetChange;
  TFuzzyVariableEvent FOnVariableChange;
  std::unique_ptr<TFuzzyVariables> FItems;
  TFuzzyVariablesClass FItemsClass;
  TFuzzyVariableEvent FOnVariableDeleted;
  TFuzzyVariableEvent FOnVariableAdded;
  TFuzzySetEvent FOnFuzzySetDeleted;
  TFuzzySetEvent FOnFuzzySetAdded;
  // True from a definition reader's Add until the next variable joins Items.
  bool FNextIsDefinition = false;
};

}  // namespace tarnwick

#endif  // TARNWICK_MODEL_FUZZYLOGICCOMPONENT_H_
