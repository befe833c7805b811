// The logic component of the interface-based model: TIFuzzyLogic keeps counted variables in a
// name-keyed table (TFuzzyVariableTable), gives each variable put into it the component's
// threshold and the automatic terms, links itself to the variable's set events, and prints its
// definition text from its variables. TFuzzyVariableStrings is a typed string list of
// variables that reports to a component.
//
// Keys are the variables' names when they were stored: renaming a stored variable does not
// re-key it. Storing a variable (a new name, or a new variable under a stored name) reports it
// as added; removing one by Remove reports it as deleted; Clear, Parse and the component's
// destruction report nothing, and a replaced variable is not reported either.
//
// Events, each fired only when assigned, in the order a variable meets them when it is stored:
// its threshold is set, the automatic terms are added (before the links, so they reach the
// component's OnFuzzySetAdded only for a variable that was linked already), the set-event
// links are made, then OnVariableAdded. Through the links a set added to or removed from the
// variable fires OnFuzzySetAdded or OnFuzzySetDeleted, and a change of a set's points marks the
// text out of date and fires OnFuzzySetChange. A change of the variable itself reaches neither
// the component's events nor its text.
//
// Lifetime. A variable that leaves the table without being reported keeps its links to the
// component; they are dead from the moment the component starts dying, so a variable held
// elsewhere may outlive the component and go on changing its sets.
#ifndef TARNWICK_MODEL_IFUZZYLOGICCOMPONENT_H_
#define TARNWICK_MODEL_IFUZZYLOGICCOMPONENT_H_

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tarnwick/containers/KVDictionary.h"
#include "tarnwick/containers/KVHashTable.h"
#include "tarnwick/containers/KVStringList.h"
#include "tarnwick/model/FuzzyConsts.h"
#include "tarnwick/model/FuzzyInterfaces.h"
#include "tarnwick/model/FuzzyLogicComponent.h"
#include "tarnwick/model/IFuzzyVariable.h"
#include "tarnwick/platform/Events.h"
#include "tarnwick/platform/Interfaces.h"
#include "tarnwick/platform/Types.h"

namespace tarnwick {

class TIFuzzyLogic;

// The variables of one TIFuzzyLogic, keyed by name (exactly, case-sensitively). Storing reports
// to the component as added, removing as deleted; FuzzyLogic may be none (a table that reports
// nothing).
class TARNWICK_EXPORT TFuzzyVariableTable : public collections::TKVStringHashTable<Intf<IFuzzyVariable>> {
  using TInherited = collections::TKVStringHashTable<Intf<IFuzzyVariable>>;

 public:
  explicit TFuzzyVariableTable(TIFuzzyLogic* FuzzyLogic);
  ~TFuzzyVariableTable() override;

  using TInherited::Add;
  using TInherited::Remove;

  TIFuzzyLogic* GetFuzzyLogic() const noexcept { return FFuzzyLogic; }

  // Put(FuzzyVariable's name, FuzzyVariable).
  virtual void Add(IFuzzyVariable* FuzzyVariable);
  // The variable stored under Name, or empty.
  Intf<IFuzzyVariable> ContainsVariable(const std::string& Name) const;
  // Removes FuzzyVariable only when it is the very variable stored under its name.
  void Remove(IFuzzyVariable* FuzzyVariable);
  // The variables in the order the table stored them, a variable stored anew under a name
  // taking its place at the end: the order the component prints them in. (The ordinal order
  // of the slots depends on the order the names came in, so a text printed in it would read
  // back into another order and print differently.)
  std::vector<Intf<IFuzzyVariable>> GetStoringOrder() const;

 protected:
  void DoAdd(Integer HashCode, Integer Index, const std::string& Key, const Intf<IFuzzyVariable>& Value) override;
  void DoSetValue(Integer Index, const Intf<IFuzzyVariable>& Value) override;
  // A removal of a name the table does not hold removes no variable and reports none.
  Intf<IFuzzyVariable> DoRemove(const std::string& Key, Integer HashCode,
                                TCollectionNotification Notification) override;
  // Keeps the storing order of every way a key comes and goes (Clear included).
  void KeyNotify(const std::string& Key, TCollectionNotification Action) override;

 private:
  friend class TIFuzzyLogic;
  // The variables under their keys, in storing order; Restore empties the table and stores
  // them so again, reporting none of it: how the component undoes a parse that failed.
  using TContents = std::vector<std::pair<std::string, Intf<IFuzzyVariable>>>;
  TContents GetContents() const;
  void Restore(const TContents& Contents);

  TIFuzzyLogic* FFuzzyLogic;  // not owned: the component owns the table
  bool FRestoring = false;
  collections::TKVDictionary<std::string, std::int64_t> FStored;  // key: when it was stored last
  std::int64_t FStoreCount = 0;
};

// A string list whose datum per item is a variable. Writing a datum reports the variable it
// replaces as deleted and the new one as added to FuzzyLogic (none allowed); nothing else of
// the list reports.
class TARNWICK_EXPORT TFuzzyVariableStrings : public collections::TStringList<Intf<IInterface>> {
 public:
  explicit TFuzzyVariableStrings(TIFuzzyLogic* FuzzyLogic);
  ~TFuzzyVariableStrings() override;

  TIFuzzyLogic* GetFuzzyLogic() const noexcept { return FFuzzyLogic; }

  // The datum of item Index as a variable: empty for none, EIntfCastError for a datum that is
  // no variable.
  Intf<IFuzzyVariable> GetData(Integer Index) const;
  void PutData(Integer Index, IFuzzyVariable* Value);

 private:
  TIFuzzyLogic* FFuzzyLogic;
};

class TARNWICK_EXPORT TIFuzzyLogic : public TCustomFuzzyLogic {
 public:
  // No variables; the parser makes variables of TIFuzzyVariable.
  explicit TIFuzzyLogic(TComponent* AOwner);
  // Silences every event, then frees the table, which reports no variable; the variables held
  // elsewhere live on, their links to this component dead.
  ~TIFuzzyLogic() override;

  TFuzzyVariableTable* GetItems() const noexcept { return FItems.get(); }
  // Items.Assign(Value): every variable of Value is stored here too, and reported.
  void SetItems(const TFuzzyVariableTable* Value);
  // The class of variable the parser creates for this component.
  const TIFuzzyVariableClass& GetItemClass() const noexcept { return FItemClass; }
  void SetItemClass(TIFuzzyVariableClass Value) noexcept { FItemClass = Value; }

  const TIFuzzySetEvent& GetOnFuzzySetChange() const noexcept { return FOnFuzzySetChange; }
  void SetOnFuzzySetChange(TIFuzzySetEvent Value) { FOnFuzzySetChange = std::move(Value); }
  const TIFuzzyVariableEvent& GetOnVariableChange() const noexcept { return FOnVariableChange; }
  void SetOnVariableChange(TIFuzzyVariableEvent Value) { FOnVariableChange = std::move(Value); }
  const TIFuzzySetEvent& GetOnFuzzySetAdded() const noexcept { return FOnFuzzySetAdded; }
  void SetOnFuzzySetAdded(TIFuzzySetEvent Value) { FOnFuzzySetAdded = std::move(Value); }
  const TIFuzzySetEvent& GetOnFuzzySetDeleted() const noexcept { return FOnFuzzySetDeleted; }
  void SetOnFuzzySetDeleted(TIFuzzySetEvent Value) { FOnFuzzySetDeleted = std::move(Value); }
  const TIFuzzyVariableEvent& GetOnVariableAdded() const noexcept { return FOnVariableAdded; }
  void SetOnVariableAdded(TIFuzzyVariableEvent Value) { FOnVariableAdded = std::move(Value); }
  const TIFuzzyVariableEvent& GetOnVariableDeleted() const noexcept { return FOnVariableDeleted; }
  void SetOnVariableDeleted(TIFuzzyVariableEvent Value) { FOnVariableDeleted = std::move(Value); }

  // The published properties (FuzzyPublished.cpp): those of the logic component and its
  // events, not the table; loaded from a stream, the component parses its stored Strings.
  const TClassInfo* ClassInfo() const override;

  // The text anew: one entry per variable in the order the table stored them, each the
  // variable's own text form (its parser's print, or its name without a parser).
  void UpdateStrings() override;

  // The terms "low", "medium" and "high" over Variable's range, each unless Variable has a
  // set of that name already.
  virtual void AddAutoTerms(IFuzzyVariable* Variable);
  // The targets of the set-event links: OnFuzzySetAdded, OnFuzzySetDeleted.
  virtual void FuzzySetAdded(IFuzzyVariable* Variable, IFuzzySet* FuzzySet);
  virtual void FuzzySetDeleted(IFuzzyVariable* Variable, IFuzzySet* FuzzySet);
  // A variable was stored: threshold, automatic terms (when AutoTerms), links, OnVariableAdded.
  virtual void VariableAdded(IFuzzyVariable* Variable);
  // A variable was removed: its links go, then OnVariableDeleted.
  virtual void VariableDeleted(IFuzzyVariable* Variable);
  // Marks the text out of date, then OnVariableChange (or OnChange for no variable).
  virtual void UpdateVariable(IFuzzyVariable* Variable);
  // The target of the set-change link: marks the text out of date, then OnFuzzySetChange.
  virtual void UpdateFuzzySet(IFuzzyVariable* Variable, IFuzzySet* FuzzySet);

 protected:
  // Loading has ended: the text streamed in is parsed now. When that fails, the component
  // takes back the text and the variables it had before loading and raises ELoadedValueError
  // for the property at fault (Parser, or Strings), the cause nested.
  void Loaded() override;
  virtual std::unique_ptr<TFuzzyVariableTable> CreateVariables();
  // Every variable of the table, in ordinal order, takes the component's threshold.
  void ThresholdChanged() override;
  // The table's Clear: no variable is reported, and the variables keep their links. The
  // parser then stores each variable it reads.
  void ClearVariables() override;

  void DoChange();
  void DoFuzzySetChange(IFuzzyVariable* Variable, IFuzzySet* FuzzySet);
  void DoFuzzySetAdded(IFuzzyVariable* Variable, IFuzzySet* FuzzySet);
  void DoFuzzySetDeleted(IFuzzyVariable* Variable, IFuzzySet* FuzzySet);
  void DoVariableChange(IFuzzyVariable* Variable);
  void DoVariableAdded(IFuzzyVariable* Variable);
  void DoVariableDeleted(IFuzzyVariable* Variable);

 private:
  using TSetHook = void (TIFuzzyLogic::*)(IFuzzyVariable*, IFuzzySet*);
  // A set event that calls Hook on this component while it lives and does nothing afterwards.
  TIFuzzySetEvent Link(TSetHook Hook);

  TIFuzzySetEvent FOnFuzzySetChange;
  TIFuzzyVariableEvent FOnVariableChange;
  std::unique_ptr<TFuzzyVariableTable> FItems;
  TIFuzzyVariableClass FItemClass;
  TIFuzzySetEvent FOnFuzzySetDeleted;
  TIFuzzySetEvent FOnFuzzySetAdded;
  TIFuzzyVariableEvent FOnVariableDeleted;
  TIFuzzyVariableEvent FOnVariableAdded;
};

}  // namespace tarnwick

#endif  // TARNWICK_MODEL_IFUZZYLOGICCOMPONENT_H_
