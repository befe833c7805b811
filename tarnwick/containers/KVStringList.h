// collections::TStringList<T>: a string list that keeps a string, an object and a typed datum
// per item, with sorting, a duplicates policy, case sensitivity, owned objects, change events
// and a read-only view of the data.
//
// Item array: FList holds the capacity, FCount the number of live items. Invariants:
// 0 <= FCount <= FList.size(); items [0, FCount) are live; items from FCount to the capacity
// are empty (no string, no object, no datum). Insertions and deletions move the tail as a block
// of moves, so no datum is counted or released on the way.
//
// Order: CompareStrings is the platform list's, by the process's global locale (byte order, or
// ASCII letters folded when not case sensitive, in the classic "C" locale); Sort, Find,
// IndexOf and the duplicates policy all follow it.
//
// Events: OnChanging before and OnChange after every single change (Put, PutObject, PutData, an
// insertion, Delete, Clear of a non-empty list, Exchange, Move, Sort), only while no update
// block is open; an update block fires OnChanging when it opens and OnChange when the outermost
// block ends. Nothing fires during destruction.
//
// Ownership (OwnsObjects): an object this list was given (AddObject, InsertObject, PutObject)
// is freed when Delete, Clear or the destructor removes its item, after the list is consistent
// again; PutObject and SetCapacity never free. An object that came by copy from another list
// (Assign, AddStrings) is shared, not owned: the copying list never frees it, so two lists
// never free the same object. Within one list an object is freed only when no other owned item
// still holds it, so adding one object twice frees it once.
#ifndef TARNWICK_CONTAINERS_KVSTRINGLIST_H_
#define TARNWICK_CONTAINERS_KVSTRINGLIST_H_

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "tarnwick/containers/KVEnumerable.h"
#include "tarnwick/containers/KVGenericsSupport.h"
#include "tarnwick/platform/Classes.h"
#include "tarnwick/platform/Events.h"
#include "tarnwick/platform/Generics.h"
#include "tarnwick/platform/ResStrings.h"
#include "tarnwick/platform/ScopeGuard.h"
#include "tarnwick/platform/Strings.h"
#include "tarnwick/platform/Types.h"

namespace tarnwick::collections {

template <typename T>
class TStringList : public TStrings {
 public:
  // One item.
  struct TKVStringItem {
    std::string FString;
    TObject* FObject = nullptr;  // not counted
    T FData{};
    bool FShared = false;        // the object came by copy: never freed by this list
  };
  using TKVStringItemList = std::vector<TKVStringItem>;

  // < 0, 0 or > 0 as item Index1 sorts before, with or after item Index2.
  using TStringListSortCompare =
      std::function<Integer(TStringList* List, Integer Index1, Integer Index2)>;

  class TValueEnumerator;
  class TValueCollection;

  TStringList() = default;
  explicit TStringList(bool OwnsObjects) : FOwnsObject(OwnsObjects) {}

  // Releases every item without events; owned objects are freed after the list is empty.
  ~TStringList() override {
    FOnChange = nullptr;
    FOnChanging = nullptr;
    std::vector<TObject*> Owned = CollectOwnedObjects();
    FCount = 0;
    TKVStringItemList().swap(FList);
    FValueCollection.reset();
    for (TObject* Obj : Owned) delete Obj;
  }

  // --- Items

  std::string Get(Integer Index) const override {
    CheckIndex(Index);
    return FList[static_cast<std::size_t>(Index)].FString;
  }
  TObject* GetObject(Integer Index) const override {
    CheckIndex(Index);
    return FList[static_cast<std::size_t>(Index)].FObject;
  }
  T GetData(Integer Index) const {
    CheckIndex(Index);
    return FList[static_cast<std::size_t>(Index)].FData;
  }

  // On a sorted list raises EStringListError SSortedListError.
  void Put(Integer Index, const std::string& S) override {
    if (FSorted) Error(SSortedListError, 0);
    CheckIndex(Index);
    Changing();
    FList[static_cast<std::size_t>(Index)].FString = S;
    Changed();
  }
  // The object held before is not freed, owned or not; the new one is owned when the list owns.
  void PutObject(Integer Index, TObject* AObject) override {
    CheckIndex(Index);
    Changing();
    TKVStringItem& Item = FList[static_cast<std::size_t>(Index)];
    Item.FObject = AObject;
    Item.FShared = false;
    Changed();
  }
  void PutData(Integer Index, const T& AData) {
    CheckIndex(Index);
    Changing();
    FList[static_cast<std::size_t>(Index)].FData = AData;
    Changed();
  }

  Integer GetCount() const override { return FCount; }
  Integer GetCapacity() const override { return static_cast<Integer>(FList.size()); }
  // Below Count, first cuts the list to NewCapacity items (released silently, objects not
  // freed); then the array gets exactly that length. A negative capacity raises
  // EStringListError SListCapacityError.
  void SetCapacity(Integer NewCapacity) override {
    if (NewCapacity < 0) Error(SListCapacityError, NewCapacity);
    if (NewCapacity == static_cast<Integer>(FList.size())) {
      if (NewCapacity < FCount) FCount = NewCapacity;
      return;
    }
    if (NewCapacity == 0) {
      FCount = 0;
      TKVStringItemList().swap(FList);
      return;
    }
    if (NewCapacity < static_cast<Integer>(FList.size())) {
      if (NewCapacity < FCount) FCount = NewCapacity;
      FList.resize(static_cast<std::size_t>(NewCapacity));
      FList.shrink_to_fit();
      return;
    }
    try {
      FList.resize(static_cast<std::size_t>(NewCapacity));
    } catch (const std::bad_alloc&) {
      detail::RaiseOutOfMemory();
    } catch (const std::length_error&) {
      detail::RaiseOutOfMemory();
    }
  }

  // --- Adding and inserting

  std::int32_t Add(const std::string& S) override { return AddObject(S, nullptr); }

  // Unsorted: at the end. Sorted: where Find puts it; an equal string present makes dupIgnore
  // return its index and change nothing, dupError raise EStringListError SDuplicateString,
  // dupAccept insert before the equal items. The result is the index used.
  std::int32_t AddObject(const std::string& S, TObject* AObject) override {
    Integer Index = 0;
    if (!PlaceAddition(S, Index)) return Index;
    InsertItem(Index, S, AObject);
    return Index;
  }
  virtual Integer AddObject(const std::string& S, TObject* AObject, const T& AData) {
    Integer Index = 0;
    if (!PlaceAddition(S, Index)) return Index;
    InsertItem(Index, S, AObject, AData);
    return Index;
  }

  void Insert(Integer Index, const std::string& S) override { InsertObject(Index, S, nullptr); }
  // A sorted list raises EStringListError SSortedListError; Index outside [0, Count]
  // SListIndexError with Index.
  void InsertObject(Integer Index, const std::string& S, TObject* AObject) override {
    CheckInsertion(Index);
    InsertItem(Index, S, AObject);
  }
  virtual void InsertObject(Integer Index, const std::string& S, TObject* AObject, const T& AData) {
    CheckInsertion(Index);
    InsertItem(Index, S, AObject, AData);
  }

  // --- Removing and reordering

  void Delete(Integer Index) override {
    if (Index < 0 || Index >= FCount) Error(SListIndexError, Index);
    Changing();
    DoDelete(Index);
    Changed();
  }

  // A non-empty list: Changing, DoClear, Changed. An empty list fires nothing.
  void Clear() override {
    if (FCount == 0) return;
    Changing();
    DoClear();
    Changed();
  }

  // Swaps two whole items; allowed on a sorted list (which it may put out of order).
  void Exchange(Integer Index1, Integer Index2) override {
    if (Index1 < 0 || Index1 >= FCount) Error(SListIndexError, Index1);
    if (Index2 < 0 || Index2 >= FCount) Error(SListIndexError, Index2);
    Changing();
    ExchangeItems(Index1, Index2);
    Changed();
  }

  // Moves the whole item (string, object and datum) at CurIndex so that it ends at NewIndex.
  // Both indices are checked first, and a sorted list raises SSortedListError, before
  // anything changes.
  void Move(Integer CurIndex, Integer NewIndex) override {
    if (CurIndex < 0 || CurIndex >= FCount) Error(SListIndexError, CurIndex);
    if (NewIndex < 0 || NewIndex >= FCount) Error(SListIndexError, NewIndex);
    if (CurIndex == NewIndex) return;
    if (FSorted) Error(SSortedListError, 0);
    Changing();
    const auto First = FList.begin();
    if (CurIndex < NewIndex)
      std::rotate(First + CurIndex, First + CurIndex + 1, First + NewIndex + 1);
    else
      std::rotate(First + NewIndex, First + CurIndex, First + CurIndex + 1);
    Changed();
  }

  // --- Searching and sorting

  // Binary search over a list sorted by CompareStrings. True when S is present; Index is then
  // the match (with dupAccept the first of the equal items), else the insertion position.
  virtual bool Find(std::string_view S, Integer& Index) const {
    return FindSortedLine(
        FCount, S, FDuplicates,
        [this](Integer I) -> const std::string& { return FList[static_cast<std::size_t>(I)].FString; },
        [this](const std::string& Line, std::string_view Key) { return CompareStrings(Line, Key); }, Index);
  }

  // Unsorted: the first item equal to S by CompareStrings; sorted: Find. -1 when absent.
  std::int32_t IndexOf(std::string_view S) const override {
    if (!FSorted) return TStrings::IndexOf(S);
    Integer Index = -1;
    return Find(S, Index) ? Index : -1;
  }

  // The default comparison of Sort: CompareStrings of the two items' strings.
  static Integer StringListCompareStrings(TStringList* List, Integer Index1, Integer Index2) {
    return List->CompareStrings(List->FList[static_cast<std::size_t>(Index1)].FString,
                                List->FList[static_cast<std::size_t>(Index2)].FString);
  }

  void Sort() { Sort(&TStringList::StringListCompareStrings); }
  // Quicksorts an unsorted list of more than one item (not stable) between one Changing and one
  // Changed; a Sorted list is taken to be in order and fires nothing.
  void Sort(const TStringListSortCompare& Compare) {
    if (FSorted || FCount <= 1) return;
    Changing();
    const TLocaleScope Locale;  // taken once for every comparison of the sort
    auto CompareItems = [this, &Compare](Integer Index1, Integer Index2) { return Compare(this, Index1, Index2); };
    auto Exchange = [this](Integer Index1, Integer Index2) { ExchangeItems(Index1, Index2); };
    QuickSortItems(0, FCount - 1, CompareItems, Exchange);
    Changed();
  }

  // --- Copying

  // From a typed list (any descendant): its items as they stand (objects shared), then its
  // CaseSensitive, Duplicates and Sorted as plain values. From the platform's TStringList: its
  // strings and objects in order, without data, then its three settings. From anything else:
  // TStrings::Assign.
  void Assign(const TPersistent* Source) override {
    if (Source == this) return;
    if (const auto* Typed = dynamic_cast<const TStringList*>(Source)) {
      {
        const TRestoreValue Assigning(FAssigning, true);
        TStrings::Assign(Source);
      }
      TStrings::SetCaseSensitive(Typed->GetCaseSensitive());
      FDuplicates = Typed->FDuplicates;
      FSorted = Typed->FSorted;
      return;
    }
    if (const auto* Plain = dynamic_cast<const tarnwick::TStringList*>(Source)) {
      FSorted = false;
      FDuplicates = dupAccept;
      TStrings::Assign(Source);
      TStrings::SetCaseSensitive(Plain->GetCaseSensitive());
      FDuplicates = Plain->GetDuplicates();
      FSorted = Plain->GetSorted();
      return;
    }
    TStrings::Assign(Source);
  }

  // From a typed list: during Assign, this list's items become a copy of the source's;
  // otherwise a sorted list adds each source item through AddObject (order and duplicates
  // policy apply), an unsorted one appends them all in one pass; both inside one update block.
  // From any other list: TStrings::AddStrings. Copied objects are shared, not owned.
  void AddStrings(const TStrings* Strings) override {
    const auto* Typed = dynamic_cast<const TStringList*>(Strings);
    if (Typed == nullptr) {
      if (Strings == nullptr) return;
      const TRestoreValue Copying(FCopying, true);
      TStrings::AddStrings(Strings);
      return;
    }
    if (FAssigning) {
      TKVStringItemList Copy(Typed->FList);
      for (TKVStringItem& Item : Copy)
        if (Item.FObject != nullptr) Item.FShared = true;
      FList.swap(Copy);
      FCount = Typed->FCount;
      return;
    }
    TUpdateBlock<TStrings> Block(*this);
    if (FSorted) {
      // A snapshot, so that adding a list to itself reads the items as they were.
      const TKVStringItemList Source(Typed->FList.begin(), Typed->FList.begin() + Typed->FCount);
      const TRestoreValue Copying(FCopying, true);
      for (const TKVStringItem& Item : Source) AddObject(Item.FString, Item.FObject, Item.FData);
      return;
    }
    const Integer N = Typed->FCount;
    if (N == 0) return;
    if (FCount > INT32_MAX - N) detail::RaiseOutOfMemory();
    SetCapacity(FCount + N);
    // Typed may be this list: its first N items stay in place while the copies go behind.
    for (Integer I = 0; I < N; ++I) {
      TKVStringItem& Target = FList[static_cast<std::size_t>(FCount)];
      Target = Typed->FList[static_cast<std::size_t>(I)];
      Target.FShared = Target.FObject != nullptr;
      ++FCount;
    }
  }

  // --- Settings and events

  bool GetSorted() const noexcept { return FSorted; }
  // Turning it on sorts first (while the flag is still off); turning it off only stores it.
  void SetSorted(bool Value) {
    if (Value == FSorted) return;
    if (Value) Sort();
    FSorted = Value;
  }
  TDuplicates GetDuplicates() const noexcept { return FDuplicates; }
  void SetDuplicates(TDuplicates Value) noexcept { FDuplicates = Value; }
  // A sorted list is sorted again by the new comparison.
  void SetCaseSensitive(bool Value) override {
    if (Value == GetCaseSensitive()) return;
    TStrings::SetCaseSensitive(Value);
    if (FSorted) {
      SetSorted(false);
      SetSorted(true);
    }
  }
  bool GetOwnsObjects() const noexcept { return FOwnsObject; }
  void SetOwnsObjects(bool Value) noexcept { FOwnsObject = Value; }

  const TNotifyEvent& GetOnChange() const noexcept { return FOnChange; }
  void SetOnChange(TNotifyEvent Value) { FOnChange = std::move(Value); }
  const TNotifyEvent& GetOnChanging() const noexcept { return FOnChanging; }
  void SetOnChanging(TNotifyEvent Value) { FOnChanging = std::move(Value); }

  // The view of the data, created on first read and owned by the list.
  TValueCollection* GetDataValues() const {
    if (!FValueCollection) FValueCollection = std::make_unique<TValueCollection>(this);
    return FValueCollection.get();
  }

 protected:
  // Fire OnChange / OnChanging when assigned and no update block is open.
  virtual void Changed() {
    if (GetUpdateCount() == 0 && FOnChange) FOnChange(this);
  }
  virtual void Changing() {
    if (GetUpdateCount() == 0 && FOnChanging) FOnChanging(this);
  }

  // True: Changing (a block opens); false: Changed (the outermost block ended).
  void SetUpdateState(bool Updating) override {
    if (Updating)
      Changing();
    else
      Changed();
  }

  // Removes every item; owned objects are freed in index order once the list is empty.
  virtual void DoClear() {
    std::vector<TObject*> Owned = CollectOwnedObjects();
    FCount = 0;
    SetCapacity(0);
    for (TObject* Obj : Owned) delete Obj;
  }

  // Removes item Index (valid); the list is consistent, and the item's string and datum
  // released, before its owned object is freed.
  virtual void DoDelete(Integer Index) {
    TKVStringItem Removed = std::move(FList[static_cast<std::size_t>(Index)]);
    const auto First = FList.begin();
    std::move(First + Index + 1, First + FCount, First + Index);
    --FCount;
    FList[static_cast<std::size_t>(FCount)] = TKVStringItem{};
    TObject* Obj = FOwnsObject && !Removed.FShared ? Removed.FObject : nullptr;
    Removed = TKVStringItem{};
    if (Obj != nullptr && !HoldsOwned(Obj)) delete Obj;
  }

  // Stores a new item at Index in [0, Count]. Fires OnChanging before any check, so an
  // insertion that fails here has fired it already; an index outside raises
  // EArgumentOutOfRangeException SArgumentOutOfRange.
  virtual void InsertItem(Integer Index, const std::string& S, TObject* AObject) {
    InsertItemImpl(Index, S, AObject, nullptr);
  }
  virtual void InsertItem(Integer Index, const std::string& S, TObject* AObject, const T& AData) {
    InsertItemImpl(Index, S, AObject, &AData);
  }

  // Swaps two whole items, without checks or events.
  void ExchangeItems(Integer Index1, Integer Index2) noexcept {
    std::swap(FList[static_cast<std::size_t>(Index1)], FList[static_cast<std::size_t>(Index2)]);
  }

  TKVStringItemList FList;
  Integer FCount = 0;

 private:
  void CheckIndex(Integer Index) const {
    if (Index < 0 || Index >= FCount) Error(SListIndexError, Index);
  }

  void CheckInsertion(Integer Index) const {
    if (FSorted) Error(SSortedListError, 0);
    if (Index < 0 || Index > FCount) Error(SListIndexError, Index);
  }

  // Where an addition of S goes: false when dupIgnore finds S already present (Index is then
  // its index and nothing is to be inserted).
  bool PlaceAddition(const std::string& S, Integer& Index) const {
    if (!FSorted) {
      Index = FCount;
      return true;
    }
    if (Find(S, Index)) {
      if (FDuplicates == dupIgnore) return false;
      if (FDuplicates == dupError) Error(SDuplicateString, 0);
    }
    return true;
  }

  void InsertItemImpl(Integer Index, const std::string& S, TObject* AObject, const T* AData) {
    Changing();
    if (Index < 0 || Index > FCount) detail::RaiseArgumentOutOfRange();
    GrowCheck(FCount == INT32_MAX ? -1 : FCount + 1);
    const auto First = FList.begin();
    if (Index != FCount) std::move_backward(First + Index, First + FCount, First + FCount + 1);
    TKVStringItem& Item = FList[static_cast<std::size_t>(Index)];
    Item.FString = S;
    Item.FObject = AObject;
    Item.FData = AData != nullptr ? *AData : T{};
    Item.FShared = FCopying && AObject != nullptr;
    ++FCount;
    Changed();
  }

  // Room for NeededCount items: the first growth fits exactly, later ones double.
  void GrowCheck(Integer NeededCount) {
    if (NeededCount >= 0 && NeededCount <= static_cast<Integer>(FList.size())) return;
    SetCapacity(detail::GrownLength(static_cast<Integer>(FList.size()), NeededCount));
  }

  // The objects this list would free, each once, in index order of their first owned item.
  std::vector<TObject*> CollectOwnedObjects() const {
    std::vector<TObject*> Result;
    if (!FOwnsObject) return Result;
    std::unordered_set<TObject*> Seen;
    for (Integer I = 0; I < FCount; ++I) {
      const TKVStringItem& Item = FList[static_cast<std::size_t>(I)];
      if (Item.FObject != nullptr && !Item.FShared && Seen.insert(Item.FObject).second)
        Result.push_back(Item.FObject);
    }
    return Result;
  }

  // True when another owned item still holds Obj.
  bool HoldsOwned(const TObject* Obj) const noexcept {
    for (Integer I = 0; I < FCount; ++I) {
      const TKVStringItem& Item = FList[static_cast<std::size_t>(I)];
      if (Item.FObject == Obj && !Item.FShared) return true;
    }
    return false;
  }

  bool FAssigning = false;
  bool FSorted = false;
  TDuplicates FDuplicates = dupIgnore;
  TNotifyEvent FOnChange;
  TNotifyEvent FOnChanging;
  bool FOwnsObject = false;
  bool FCopying = false;  // objects added now come by copy from another list
  mutable std::unique_ptr<TValueCollection> FValueCollection;
};

// Walks the data in index order, reading the list live. GetCurrent before the first MoveNext or
// after the last raises the list's index error.
template <typename T>
class TStringList<T>::TValueEnumerator : public TEnumerator<T> {
 public:
  explicit TValueEnumerator(const TStringList* AList) noexcept : FList(AList) {}
  bool MoveNext() noexcept {
    if (FIndex < FList->GetCount()) ++FIndex;
    return FIndex < FList->GetCount();
  }
  T GetCurrent() const { return FList->GetData(FIndex); }

 protected:
  T DoGetCurrent() override { return GetCurrent(); }
  bool DoMoveNext() override { return MoveNext(); }

 private:
  const TStringList* FList;
  Integer FIndex = -1;
};

template <typename T>
class TStringList<T>::TValueCollection : public TKVEnumerable<T> {
 public:
  explicit TValueCollection(const TStringList* AList) noexcept : FList(AList) {}
  Integer GetCount() const { return FList->GetCount(); }
  std::unique_ptr<TValueEnumerator> GetEnumerator() const {
    return std::make_unique<TValueEnumerator>(FList);
  }
  TArray<T> ToArray() const override { return this->ToArrayImpl(GetCount()); }

 protected:
  std::unique_ptr<TEnumerator<T>> DoGetEnumerator() const override { return GetEnumerator(); }

 private:
  const TStringList* FList;
};

}  // namespace tarnwick::collections

#endif  // TARNWICK_CONTAINERS_KVSTRINGLIST_H_
