// The linguistic variable of the interface-based model: TIFuzzyVariable, a counted object that
// implements IFuzzyVariable, and TIFuzzySets, the string-keyed table in which it keeps its sets
// by name.
//
// Ownership: a variable owns its table; the table holds counted references to the sets; a set
// holds only a weak reference back. So dropping a variable while its sets are held elsewhere is
// safe (those sets go on without variable), and nothing forms a cycle.
//
// Keys are the sets' names at the time of storing; a set re-keys itself when its name changes.
// The table numbers the sets in the order it stores them (Index), from 0 after each Clear.
//
// Events, each fired only when assigned: a stored set fires OnFuzzySetAdded, then Changed
// (OnChange, then OnVariableChange); a removed set OnFuzzySetDeleted, then Changed; Clear only
// Changed; a change of any set that refers to the variable, stored or not, OnFuzzySetChange.
#ifndef TARNWICK_MODEL_IFUZZYVARIABLE_H_
#define TARNWICK_MODEL_IFUZZYVARIABLE_H_

#include <functional>
#include <memory>
#include <span>
#include <string>

#include "tarnwick/containers/KVHashTable.h"
#include "tarnwick/model/FuzzyConsts.h"
#include "tarnwick/model/FuzzyInterfaces.h"
#include "tarnwick/model/IFuzzySet.h"
#include "tarnwick/platform/ClassRef.h"
#include "tarnwick/platform/Classes.h"
#include "tarnwick/platform/Events.h"
#include "tarnwick/platform/Interfaces.h"
#include "tarnwick/platform/Types.h"

namespace tarnwick {

class TIFuzzyVariable;

// The class of variables a logic component creates: Create(Name) makes a variable of that
// class with a count of 0.
using TIFuzzyVariableClass = TClassOf<TIFuzzyVariable, const std::string&>;

// The sets of one variable, keyed by name (exactly, case-sensitively). Storing a set (a new
// key or a new set under a stored key) gives it the next Index and reports it to the variable
// as added; removing one reports it as deleted; Clear reports only one change. A replaced set
// is not reported; the table just lets it go.
class TARNWICK_EXPORT TIFuzzySets : public collections::TKVStringHashTable<Intf<IFuzzySet>> {
  using TInherited = collections::TKVStringHashTable<Intf<IFuzzySet>>;

 public:
  // Variable owns the table and hears of its changes; none makes a table that reports nothing.
  explicit TIFuzzySets(TIFuzzyVariable* Variable);
  ~TIFuzzySets() override;

  using TInherited::Add;
  using TInherited::Assign;
  using TInherited::Remove;

  // Stores FuzzySet under its name. A set of another variable (or of none) is moved here
  // first and stored whether Defined or not; a set of this variable is stored only when it is
  // Defined.
  virtual void Add(IFuzzySet* FuzzySet);
  // A new set of the variable's set class named Name, Defined unless Name is SEmptyFuzzy,
  // stored when Defined; returned either way.
  Intf<IFuzzySet> Add(const std::string& Name);
  // Removes FuzzySet only when it is the very set stored under its name; otherwise nothing.
  void Remove(IFuzzySet* FuzzySet);
  // The set stored under Name, or empty.
  Intf<IFuzzySet> ContainsFuzzySet(const std::string& Name) const;
  // The set at ordinal Index (slot order); outside [0, Count) EListError SListIndexError.
  Intf<IFuzzySet> GetFuzzySet(Integer Index) const;
  // The set stored under Name; an absent name raises EListError SGenericItemNotFound.
  Intf<IFuzzySet> GetFuzzySetByName(const std::string& Name) const;
  // The Index of the next stored set, counting it.
  Integer NewIndex();
  // Replaces the sets by Defined clones of Source's sets, made for this table's variable, in
  // Source's ordinal order. From this table's own variable it changes nothing.
  void AssignFuzzySets(IFuzzyVariable* Source);
  // AssignFuzzySets of AValue as an IFuzzyVariable; nothing for anything else.
  void Assign(IInterface* AValue);
  // From a TIFuzzySets: AssignFuzzySets of its variable; otherwise the generic table's.
  void Assign(const TPersistent* Source) override;
  // True when every Defined set here has a set of the same name in FuzzyVariable that Equals
  // it. One direction only: sets that only FuzzyVariable has do not count.
  bool EqualsSets(IFuzzyVariable* FuzzyVariable) const;
  // The variable's text form; the class name without variable.
  std::string ToString() const override;
  // The generic Clear (no per-set reports), the Index count back to 0, then the variable's one
  // change report.
  void Clear() override;

  TIFuzzyVariable* GetVariable() const noexcept { return FVariable; }

 protected:
  void DoAdd(Integer HashCode, Integer Index, const std::string& Key, const Intf<IFuzzySet>& Value) override;
  void DoSetValue(Integer Index, const Intf<IFuzzySet>& Value) override;
  Intf<IFuzzySet> DoRemove(const std::string& Key, Integer HashCode, TCollectionNotification Notification) override;

 private:
  friend class TIFuzzyVariable;

  // A set was stored: its Index, then the variable's report.
  void Stored(IFuzzySet* FuzzySet);
  // Inside one update block: Clear, then a Defined clone of each of Count sets for this
  // table's variable, stored in order.
  void AssignClones(Integer Count, const std::function<Intf<IFuzzySet>(Integer)>& SetAt);

  Integer FNewIndex = 0;
  TIFuzzyVariable* FVariable;
};

// The base class of interface variables: a persistent object and nothing more.
class TARNWICK_EXPORT TIFuzzyVariablePersistent : public TPersistent {
 public:
  TIFuzzyVariablePersistent() noexcept = default;
  ~TIFuzzyVariablePersistent() override;
};

class TARNWICK_EXPORT TIFuzzyVariable : public TIFuzzyVariablePersistent,
                                        public TInterfacedMixin,
                                        public virtual IFuzzyVariable {
 public:
  // Range [0, 1], 7 points per curve, threshold 0, centre of gravity, sets of TIFuzzySet.
  // The count is 0: the creator takes the first counted reference at once.
  explicit TIFuzzyVariable(const std::string& Name);
  // Drops the parser (the stored sets lose theirs too) and the change events, then frees the
  // table without reporting a set; the sets that others still hold live on without variable.
  ~TIFuzzyVariable() override;

  // The virtual constructor: a new variable of this variable's own class named Name.
  [[nodiscard]] virtual TIFuzzyVariable* NewInstance(const std::string& Name) const;

  // --- ICloneable
  // From a TIFuzzyVariable: method, range (as it stands), name, units, NumFunctionValues, tag
  // and parser, then clones of its sets, then one Changed. Anything else: EConvertError.
  // From this variable itself: nothing.
  void Assign(const TPersistent* Source) override;
  // The same through AValue's IFuzzyVariable getters; nothing for anything else, nor from
  // this variable itself.
  void Assign(IInterface* AValue) override;
  void AssignTo(TPersistent* Dest) const override;
  // A new variable of this class with this one's fields and clones of its sets (threshold 0,
  // no comment, no events).
  [[nodiscard]] Intf<IInterface> Clone() override;
  // Same name, units, exact range, and EqualsSets; false for anything that is no variable.
  bool Equals(IInterface* AValue) const override;
  NativeInt GetTag() const override { return FTag; }
  void SetTag(NativeInt Value) override { FTag = Value; }

  // --- IFuzzyVariable, in its order
  TDefuzzificationMethod GetDefuzzificationMethod() const override { return FDefuzzificationMethod; }
  TFzyFloat GetMaximum() const override { return FMaximum; }
  TFzyFloat GetMinimum() const override { return FMinimum; }
  std::string GetName() const override { return FName; }
  // The parser's printed form when a parser is linked, else the name.
  std::string ToString() const override;
  std::string GetUnits() const override { return FUnits; }
  Integer GetNumFunctionValues() const override { return FNumFunctionValues; }
  TNotifyEvent GetOnChange() const override { return FOnChange; }
  TIFuzzyVariableEvent GetOnVariableChange() const override { return FOnVariableChange; }
  TIFuzzySetEvent GetOnFuzzySetChange() const override { return FOnFuzzySetChange; }
  Intf<IFuzzyParser> GetParser() const override;
  TFzyFloat GetThreshold() const override { return FThreshold; }
  std::string GetComment() const override { return FComment; }
  TIFuzzySetEvent GetOnFuzzySetAdded() const override { return FOnFuzzySetAdded; }
  TIFuzzySetEvent GetOnFuzzySetDeleted() const override { return FOnFuzzySetDeleted; }
  void SetOnFuzzySetAdded(TIFuzzySetEvent Value) override;
  void SetOnFuzzySetDeleted(TIFuzzySetEvent Value) override;
  void SetComment(const std::string& Value) override;
  // Also hands the parser to every stored set, in ordinal order.
  void SetParser(IFuzzyParser* Value) override;
  // Reports nothing.
  void SetDefuzzificationMethod(TDefuzzificationMethod Value) override;
  // Pushes the minimum along when it would exceed the new maximum (two Changed then).
  void SetMaximum(TFzyFloat Value) override;
  void SetMinimum(TFzyFloat Value) override;
  // A stored variable stays under its former key in a logic component's table.
  void SetName(const std::string& Value) override;
  // Reports nothing.
  void SetUnits(const std::string& Value) override;
  // No floor; above kMaxNumFunctionValues it stores that.
  void SetNumFunctionValues(Integer Value) override;
  void SetOnChange(TNotifyEvent Value) override;
  void SetOnVariableChange(TIFuzzyVariableEvent Value) override;
  void SetOnFuzzySetChange(TIFuzzySetEvent Value) override;
  // Clamped into [0, 1]; reports nothing.
  void SetThreshold(TFzyFloat Value) override;
  // The smallest of 1 and every Premises[i].GetCorrelationStrength(Matchings[i]); 1 without
  // premises. Fewer Matchings than Premises raise EArgumentOutOfRangeException, an empty entry
  // EArgumentException.
  TFzyFloat GetCorrelationStrength(std::span<const Intf<IFuzzySet>> Premises,
                                   std::span<const Intf<IFuzzySet>> Matchings) const override;
  // Below the variable's Threshold (strictly): empty. Otherwise a clone of NewEvidence capped
  // at the strength (fcmMinimum), united (fimMinMax) into OldEvidence when there is one. The
  // logic component's methods play no part.
  [[nodiscard]] Intf<IFuzzySet> AssertRule(std::span<const Intf<IFuzzySet>> Premises, std::span<const Intf<IFuzzySet>> Matchings,
                             IFuzzySet* NewEvidence, IFuzzySet* OldEvidence) override;
  [[nodiscard]] Intf<IFuzzySet> AssertRule(TFzyFloat CorrelationStrength, IFuzzySet* NewEvidence, IFuzzySet* OldEvidence) override;
  [[nodiscard]] Intf<IFuzzySet> AssertRule(IFuzzySet* Premise, IFuzzySet* NewEvidence, IFuzzySet* Matching,
                             IFuzzySet* OldEvidence) override;
  Integer GetCount() const override;
  Intf<IFuzzySet> GetFuzzySet(Integer Index) const override;
  Intf<IFuzzySet> GetFuzzySetByName(const std::string& Index) const override;
  void Add(IFuzzySet* FuzzySet) override;
  Intf<IFuzzySet> Add(const std::string& Name) override;
  void AssignFuzzySets(IFuzzyVariable* Source) override;
  // The table's update block: it holds back only the table's own OnChange.
  void BeginUpdate() override;
  void Clear() override;
  Intf<IFuzzySet> ContainsFuzzySet(const std::string& Name) const override;
  void Remove(IFuzzySet* FuzzySet) override;
  void EndUpdate() override;
  // Fires OnFuzzySetChange and nothing else.
  void FuzzySetChanged(IFuzzySet* FuzzySet) override;

  // --- Further properties
  TIFuzzySets* GetItems() const noexcept { return FItems.get(); }
  // Items.Assign(Value).
  void SetItems(const TIFuzzySets* Value);
  std::string GetAsString() const { return ToString(); }
  const TIFuzzySetClass& GetFuzzySetClass() const noexcept { return FFuzzySetClass; }

  // Published: Comment, DefuzzificationMethod, Maximum, Minimum, Name, Units,
  // NumFunctionValues, the events, Parser, Items (its own published OnChange; the sets are
  // not stored), Tag, Threshold (FuzzyPublished.cpp).
  const TClassInfo* ClassInfo() const override;

 protected:
  // A variable whose Add(Name) creates sets of FuzzySetClass.
  TIFuzzyVariable(const std::string& Name, TIFuzzySetClass FuzzySetClass);

  void* GetInterface(const TGUID& IID) noexcept override;

  // OnChange(this), then OnVariableChange(this).
  virtual void Changed();
  // The table, made once at construction.
  virtual std::unique_ptr<TIFuzzySets> CreateItems();
  // OnFuzzySetAdded, then Changed.
  virtual void NewFuzzySet(IFuzzySet* FuzzySet);
  // OnFuzzySetDeleted, then Changed.
  virtual void RemoveFuzzySet(IFuzzySet* FuzzySet);
  // Changed.
  virtual void ClearFuzzySets();

 private:
  friend class TIFuzzySets;

  // Fields, methods and copies of the sets of Source, then one Changed.
  void AssignFrom(IFuzzyVariable* Source);

  std::unique_ptr<TIFuzzySets> FItems;
  Integer FNumFunctionValues = 7;
  std::string FUnits;
  std::string FName;
  TDefuzzificationMethod FDefuzzificationMethod = dmCenterOfGravity;
  TFzyFloat FMinimum = 0.0;
  TFzyFloat FMaximum = 1.0;
  TIFuzzySetEvent FOnFuzzySetChange;
  TIFuzzyVariableEvent FOnVariableChange;
  TNotifyEvent FOnChange;
  NativeInt FTag = 0;
  TFuzzyParserLink FParser;
  TFzyFloat FThreshold = 0.0;
  TIFuzzySetClass FFuzzySetClass;
  std::string FComment;
  TIFuzzySetEvent FOnFuzzySetDeleted;
  TIFuzzySetEvent FOnFuzzySetAdded;
};

}  // namespace tarnwick

#endif  // TARNWICK_MODEL_IFUZZYVARIABLE_H_
