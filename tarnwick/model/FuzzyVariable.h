// Linguistic variables of the collection-based model and the two collections around them: the
// sets of one variable (TFuzzySets) and the variables of one logic component
// (TFuzzyVariables).
//
// Change reports travel up the ownership chain point -> set -> set collection -> variable ->
// variable collection -> logic component; additions and removals travel as notices. Every
// upward link is optional, and a report stops at the first missing one.
#ifndef TARNWICK_MODEL_FUZZYVARIABLE_H_
#define TARNWICK_MODEL_FUZZYVARIABLE_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "tarnwick/common/GCollection.h"
#include "tarnwick/model/FuzzyConsts.h"
#include "tarnwick/model/FuzzySet.h"
#include "tarnwick/platform/ClassRef.h"
#include "tarnwick/platform/Classes.h"

namespace tarnwick {

class TFuzzyVariable;
class TFuzzyVariables;
class TCustomFuzzyLogic;
class TFuzzyLogic;
class TFuzzySetsEnumerator;
class TFuzzyVariablesEnumerator;

class TARNWICK_EXPORT TFuzzySets : public TGCollection {
 public:
  explicit TFuzzySets(TFuzzyVariable* Variable);
  TFuzzySets(TFuzzyVariable* Variable, TFuzzySetClass FuzzySetClass);
  // The sets leave one by one, each reported as a deletion along the chain.
  ~TFuzzySets() override;

  // A new set of the item class; it becomes the variable's current item.
  TFuzzySet* Add();
  // Add, then the name (reserved words raise after the set was added); the set is Defined
  // unless the name is empty or the empty set's name.
  TFuzzySet* Add(const std::string& Name);
  TFuzzySet* Insert(std::int32_t Index);

  TFuzzySet* GetItem(std::int32_t Index) const { return static_cast<TFuzzySet*>(TGCollection::GetItem(Index)); }
  void SetItem(std::int32_t Index, const TFuzzySet* Value) { GetItem(Index)->Assign(Value); }
  TFuzzySet* operator[](std::int32_t Index) const { return GetItem(Index); }
  TFuzzySet* GetItemByName(std::string_view Name) const;
  void SetItemByName(std::string_view Name, const TFuzzySet* Value);

  std::unique_ptr<TFuzzySetsEnumerator> GetEnumerator() const;
  TFuzzyVariable* GetVariable() const noexcept { return FVariable; }

 protected:
  // Sets and variables name themselves through StoreNameField.
  bool IndexesNames() const override { return true; }
  void Notify(TCollectionItem* Item, TCollectionNotification Action) override;
  void Update(TCollectionItem* Item) override;

 private:
  friend class TFuzzyVariable;
  friend class TFuzzyLogic;  // leaves out the automatic terms a definition reader frees unseen
  TFuzzyVariable* FVariable;
};

// A class of variables: what TFuzzyVariables creates (with its set class) and what the
// platform collection creates through the one-argument constructor.
class TARNWICK_EXPORT TFuzzyVariableClass {
 public:
  TFuzzyVariableClass() = default;
  template <typename T>
  static TFuzzyVariableClass Of() {
    TFuzzyVariableClass C;
    C.FItemClass = TCollectionItemClass::Of<T>();
    C.FCreate = &CreateImpl<T>;
    return C;
  }
  TFuzzyVariable* Create(TCollection* Collection, TFuzzySetClass SetClass) const {
    return FCreate(Collection, SetClass);
  }
  const TCollectionItemClass& GetItemClass() const noexcept { return FItemClass; }

 private:
  template <typename T>
  static TFuzzyVariable* CreateImpl(TCollection* Collection, TFuzzySetClass SetClass) {
    return new T(Collection, SetClass);
  }
  TCollectionItemClass FItemClass;
  TFuzzyVariable* (*FCreate)(TCollection*, TFuzzySetClass) = nullptr;
};

class TARNWICK_EXPORT TFuzzyVariable : public TGCollectionItem {
 public:
  explicit TFuzzyVariable(TCollection* Collection);
  // Builds the set collection first and joins Collection last, so that whoever hears of the
  // addition finds the variable ready.
  TFuzzyVariable(TCollection* Collection, TFuzzySetClass FuzzySetClass);
  // Its sets go first (each reported as a set deletion while the variable is still in its
  // collection), then the variable leaves its collection.
  ~TFuzzyVariable() override;

  const std::string& GetName() const override { return FName; }
  void SetName(const std::string& Value);
  const std::string& GetUnits() const noexcept { return FUnits; }
  void SetUnits(const std::string& Value);
  const std::string& GetComment() const noexcept { return FComment; }
  void SetComment(const std::string& Value);
  TFzyFloat GetMaximum() const noexcept { return FMaximum; }
  // Pushes Minimum along when it would exceed the new maximum.
  void SetMaximum(TFzyFloat Value);
  TFzyFloat GetMinimum() const noexcept { return FMinimum; }
  void SetMinimum(TFzyFloat Value);
  TFzyFloat GetThreshold() const noexcept { return FThreshold; }
  // Clamped into [0, 1]; reports nothing.
  void SetThreshold(TFzyFloat Value);
  std::int32_t GetItemIndex() const noexcept { return FItemIndex; }
  void SetItemIndex(std::int32_t Value);
  TFuzzySets* GetItems() const noexcept { return FItems.get(); }
  void SetItems(const TFuzzySets* Value);
  TFuzzySetClass GetSetClass() const noexcept { return FSetClass; }

  TFuzzyVariables* GetCollection() const noexcept;
  using TGCollectionItem::SetCollection;
  void SetCollection(TFuzzyVariables* Value);
  void SetCollection(std::nullptr_t) { TGCollectionItem::SetCollection(static_cast<TCollection*>(nullptr)); }
  TCustomFuzzyLogic* GetFuzzy() const;

  std::string GetDisplayName() const override;
  std::string ToString() const override;
  std::string GetAsString() const { return ToString(); }
  void Assign(const TPersistent* Source) override;
  // Published: ItemIndex, Maximum, Minimum, Items, Name, Units, Comment, Threshold
  // (FuzzyPublished.cpp).
  const TClassInfo* ClassInfo() const override;

  // A set of this variable joined or left its collection.
  virtual void Notify(TFuzzySet* FuzzySet, TCollectionNotification Action);
  // A set of this variable changed (nullptr: the set collection changed).
  virtual void Update(TFuzzySet* FuzzySet);

  // Rule assertion: the correlated copy of NewEvidence (nullptr below the threshold), inferred
  // into OldEvidence when there is one. The caller may free the result.
  [[nodiscard]] virtual TFuzzySet* AssertRule(std::span<TFuzzySet* const> Premises, std::span<TFuzzySet* const> Matchings,
                                const TFuzzySet* NewEvidence, const TFuzzySet* OldEvidence);
  [[nodiscard]] virtual TFuzzySet* AssertRule(TFzyFloat CorrelationStrength, const TFuzzySet* NewEvidence,
                                const TFuzzySet* OldEvidence);
  [[nodiscard]] virtual TFuzzySet* AssertRule(const TFuzzySet* Premise, const TFuzzySet* NewEvidence, const TFuzzySet* Matching,
                                const TFuzzySet* OldEvidence);
  // The weakest match of each premise with its matching set; 1 without premises.
  TFzyFloat GetCorrelationStrength(std::span<TFuzzySet* const> Premises,
                                   std::span<TFuzzySet* const> Matchings) const;

 protected:
  virtual std::unique_ptr<TFuzzySets> CreateItems();
  void AssignTo(TPersistent* Dest) const override;

 private:
  friend class TFuzzySets;
  friend class TFuzzyVariables;
  void ClampItemIndex() noexcept;

  TFzyFloat FMaximum = 1.0;
  std::string FName;
  TFzyFloat FMinimum = 0;
  std::int32_t FItemIndex = -1;
  std::string FUnits;
  std::unique_ptr<TFuzzySets> FItems;
  TFuzzySetClass FSetClass;
  std::string FComment;
  TFzyFloat FThreshold = 0;
};

class TARNWICK_EXPORT TFuzzyVariables : public TGCollection {
 public:
  explicit TFuzzyVariables(TCustomFuzzyLogic* Fuzzy);
  TFuzzyVariables(TCustomFuzzyLogic* Fuzzy, TFuzzyVariableClass FuzzyVariableClass);
  TFuzzyVariables(TCustomFuzzyLogic* Fuzzy, TFuzzyVariableClass FuzzyVariableClass, TFuzzySetClass SetClass);
  ~TFuzzyVariables() override;

  // A new variable of the item class with this collection's set class.
  TFuzzyVariable* Add();
  // Add, then the name: the logic component's reaction to the addition (automatic terms
  // included) runs before the name is set.
  TFuzzyVariable* Add(const std::string& Name);
  TFuzzyVariable* Insert(std::int32_t Index);

  TFuzzyVariable* GetItem(std::int32_t Index) const {
    return static_cast<TFuzzyVariable*>(TGCollection::GetItem(Index));
  }
  void SetItem(std::int32_t Index, const TFuzzyVariable* Value) { GetItem(Index)->Assign(Value); }
  TFuzzyVariable* operator[](std::int32_t Index) const { return GetItem(Index); }
  TFuzzyVariable* GetItemByName(std::string_view Name) const;
  void SetItemByName(std::string_view Name, const TFuzzyVariable* Value);

  std::unique_ptr<TFuzzyVariablesEnumerator> GetEnumerator() const;
  TFuzzyLogic* GetFuzzy() const noexcept { return FFuzzy; }
  TFuzzySetClass GetSetClass() const noexcept { return FSetClass; }

  virtual void UpdateFuzzySet(TFuzzySet* FuzzySet);
  virtual void NotifyFuzzySet(TFuzzySet* FuzzySet, TCollectionNotification Action);

 protected:
  bool IndexesNames() const override { return true; }
  void Notify(TCollectionItem* Item, TCollectionNotification Action) override;
  void Update(TCollectionItem* Item) override;

 private:
  TFuzzyLogic* FFuzzy;
  TFuzzyVariableClass FVariableClass;
  TFuzzySetClass FSetClass;
};

using TFuzzyVariablesClass = TClassOf<TFuzzyVariables, TCustomFuzzyLogic*>;

class TARNWICK_EXPORT TFuzzySetsEnumerator : public TCollectionEnumerator {
 public:
  using TCollectionEnumerator::TCollectionEnumerator;
  ~TFuzzySetsEnumerator() override;
  TFuzzySet* GetCurrent() const { return CheckedCast<TFuzzySet>(TCollectionEnumerator::GetCurrent()); }
};

class TARNWICK_EXPORT TFuzzyVariablesEnumerator : public TCollectionEnumerator {
 public:
  using TCollectionEnumerator::TCollectionEnumerator;
  ~TFuzzyVariablesEnumerator() override;
  TFuzzyVariable* GetCurrent() const { return CheckedCast<TFuzzyVariable>(TCollectionEnumerator::GetCurrent()); }
};

}  // namespace tarnwick

#endif  // TARNWICK_MODEL_FUZZYVARIABLE_H_
