// TKVDictionary<TKey,TValue>: a hash map with open addressing and linear probing, with views of
// its keys and values and enumerators of its slots.
//
// Slot table: n slots, n = 0 or a power of two >= 4 and at most 2^30. A slot is free when its
// HashCode is -1 (its key and value are then empty, so it keeps no reference alive); an
// occupied slot holds the item's hash code in [0, 0x7FFFFFFF], computed once when the key
// arrives and never again, not even when the table grows. Invariants:
//   - FCount is the number of occupied slots; FGrowThreshold is 3n/4 ((n >> 1) + (n >> 2)).
//   - While n > 0 at least one slot is free, so every probe walk ends.
//   - Every item lies on the probe path of its home slot (HashCode & (n - 1)): walking up from
//     the home slot, wrapping from n - 1 to 0, reaches it without passing a free slot.
//     Removal shifts items back (no slot is ever marked deleted), which keeps this true.
// Every add first grows the table when Count has reached the threshold, so the table doubles at
// the 4th, 7th, 13th, ... add; growing keeps the hash codes and rebuilds the slot order.
//
// Every change is complete before it is reported through the virtual KeyNotify and
// ValueNotify (which fire OnKeyNotify / OnValueNotify): handlers see the new state.
#ifndef TARNWICK_CONTAINERS_KVDICTIONARY_H_
#define TARNWICK_CONTAINERS_KVDICTIONARY_H_

#include <cstdint>
#include <memory>
#include <new>
#include <stdexcept>
#include <utility>
#include <vector>

#include "tarnwick/common/KVCommon.h"
#include "tarnwick/containers/KVEnumerable.h"
#include "tarnwick/containers/KVGenericsSupport.h"
#include "tarnwick/platform/Classes.h"
#include "tarnwick/platform/Generics.h"
#include "tarnwick/platform/Interfaces.h"
#include "tarnwick/platform/Types.h"

namespace tarnwick::collections {

template <typename TKey, typename TValue>
class TKVDictionary : public TKVEnumerable<TPair<TKey, TValue>> {
  static_assert(HasDefaultEquality<TKey>,
                "a dictionary key needs a default equality (specialise TDefaultEquality)");

 public:
  using TPairType = TPair<TKey, TValue>;
  using TComparer = Intf<IEqualityComparer<TKey>>;

  // One slot of the table.
  struct TItem {
    Integer HashCode = -1;
    TKey Key{};
    TValue Value{};
  };
  using TItemArray = std::vector<TItem>;

  class TKeyEnumerator;
  class TValueEnumerator;
  class TPairEnumerator;
  class TKeyCollection;
  class TValueCollection;

  explicit TKVDictionary(Integer ACapacity = 0) : TKVDictionary(ACapacity, TComparer()) {}
  explicit TKVDictionary(const TComparer& AComparer) : TKVDictionary(0, AComparer) {}
  // A negative capacity raises EArgumentOutOfRangeException; one above 2^30 slots as well.
  // No comparer means the default comparer of TKey (for strings: exact and case-sensitive).
  TKVDictionary(Integer ACapacity, const TComparer& AComparer) {
    if (ACapacity < 0) detail::RaiseArgumentOutOfRange();
    FDefaultComparer = !AComparer;
    FComparer = AComparer ? AComparer : TEqualityComparer<TKey>::Default();
    SetCapacity(ACapacity);
  }
  // AddOrSetValue for every pair in the collection's order, so a later pair replaces the value
  // of an earlier one with an equal key. A missing collection gives an empty dictionary.
  explicit TKVDictionary(const TEnumerable<TPairType>* Collection)
      : TKVDictionary(Collection, TComparer()) {}
  TKVDictionary(const TEnumerable<TPairType>* Collection, const TComparer& AComparer)
      : TKVDictionary(0, AComparer) {
    if (Collection == nullptr) return;
    auto Enumerator = Collection->GetEnumerator();
    while (Enumerator->MoveNext()) {
      const TPairType Pair = Enumerator->GetCurrent();
      AddOrSetValue(Pair.Key, Pair.Value);
    }
  }

  // Clears (every item is notified as removed), then frees the views. A handler that raises
  // here cannot stop the destruction: its error is dropped and the items not yet notified are
  // released silently.
  ~TKVDictionary() override {
    try {
      TKVDictionary::Clear();
    } catch (...) {
    }
  }

  // Adds a new key; a present key raises EListError SGenericDuplicateItem (the table may have
  // grown just before the check).
  void Add(const TKey& Key, const TValue& Value) {
    GrowCheck();
    const Integer HashCode = Hash(Key);
    const Integer Index = GetBucketIndex(Key, HashCode);
    if (Index >= 0) detail::RaiseDuplicateItem();
    DoAdd(HashCode, ~Index, Key, Value);
  }

  // Adds a new key, or replaces the value of a present one.
  void AddOrSetValue(const TKey& Key, const TValue& Value) {
    GrowCheck();
    const Integer HashCode = Hash(Key);
    const Integer Index = GetBucketIndex(Key, HashCode);
    if (Index >= 0)
      DoSetValue(Index, Value);
    else
      DoAdd(HashCode, ~Index, Key, Value);
  }

  // Removes the key and returns its value; an absent key gives the empty value.
  TValue Remove(const TKey& Key) { return DoRemove(Key, Hash(Key), cnRemoved); }

  // Removes the key and returns it with its value (notified as extracted); an absent key gives
  // (Key, empty value) and touches nothing.
  TPairType ExtractPair(const TKey& Key) {
    const Integer HashCode = Hash(Key);
    if (GetBucketIndex(Key, HashCode) < 0) return TPairType(Key, TValue{});
    return TPairType(Key, DoRemove(Key, HashCode, cnExtracted));
  }

  // Drops the whole slot table, then notifies every item as removed, key before value, in the
  // old slot order; handlers find the dictionary empty. The old table, and the references it
  // holds, go after the last notification (also when a handler raises).
  virtual void Clear() {
    TItemArray Old;
    Old.swap(FItems);
    FCount = 0;
    SetCapacity(0);
    FGrowThreshold = 0;
    ++FTableVersion;
    for (TItem& Item : Old) {
      if (Item.HashCode == -1) continue;
      KeyNotify(Item.Key, cnRemoved);
      ValueNotify(Item.Value, cnRemoved);
    }
  }

  // Resizes the table to the smallest that holds Count + 1 items (4 slots at least).
  void TrimExcess() { SetCapacity(FCount + 1); }

  // True and the value when the key is present; False and the empty value otherwise.
  bool TryGetValue(const TKey& Key, TValue& Value) const {
    const Integer Index = GetBucketIndex(Key, Hash(Key));
    if (Index < 0) {
      Value = TValue{};
      return false;
    }
    Value = FItems[static_cast<std::size_t>(Index)].Value;
    return true;
  }

  bool ContainsKey(const TKey& Key) const { return GetBucketIndex(Key, Hash(Key)) >= 0; }

  // Linear search in slot order under the default equality of TValue (for interfaces: the very
  // same reference); the key comparer plays no part.
  bool ContainsValue(const TValue& Value) const {
    for (const TItem& Item : FItems)
      if (Item.HashCode != -1 && TDefaultEquality<TValue>::Equals(Item.Value, Value)) return true;
    return false;
  }

  // The pairs in slot order.
  TArray<TPairType> ToArray() const override { return this->ToArrayImpl(FCount); }

  // A new pair enumerator over the live table; the caller owns it.
  std::unique_ptr<TPairEnumerator> GetEnumerator() const {
    return std::make_unique<TPairEnumerator>(this);
  }

  // From a dictionary of the same instantiation (or a descendant): Clear, then Add of every
  // pair of Source in its slot order; the comparer stays. Assigning a dictionary to itself
  // keeps its contents and fires nothing. Any other Source: TPersistent::Assign.
  void Assign(const TPersistent* Source) override {
    const auto* Dictionary = dynamic_cast<const TKVDictionary*>(Source);
    if (Dictionary == nullptr) {
      TPersistent::Assign(Source);
      return;
    }
    if (Dictionary == this) return;
    Clear();
    // Indexed, re-reading the size: a handler may change Source while we copy.
    for (std::size_t I = 0; I < Dictionary->FItems.size(); ++I) {
      const TItem& Item = Dictionary->FItems[I];
      if (Item.HashCode != -1) Add(Item.Key, Item.Value);
    }
  }

  // Items[Key]. A missing key raises EListError SGenericItemNotFound, reading and writing.
  TValue GetItem(const TKey& Key) const {
    const Integer Index = GetBucketIndex(Key, Hash(Key));
    if (Index < 0) detail::RaiseItemNotFound();
    return FItems[static_cast<std::size_t>(Index)].Value;
  }
  // Replaces the value in place: the old value is notified as removed, then the new one as
  // added. The virtual DoSetValue is not involved.
  void SetItem(const TKey& Key, const TValue& Value) {
    const Integer Index = GetBucketIndex(Key, Hash(Key));
    if (Index < 0) detail::RaiseItemNotFound();
    TValue OldValue = std::exchange(FItems[static_cast<std::size_t>(Index)].Value, Value);
    ValueNotify(OldValue, cnRemoved);
    ValueNotify(Value, cnAdded);
  }
  TValue operator[](const TKey& Key) const { return GetItem(Key); }

  Integer GetCount() const noexcept { return FCount; }
  // The number of slots of the table (0 or a power of two >= 4).
  Integer GetCapacity() const noexcept { return static_cast<Integer>(FItems.size()); }
  const TComparer& GetComparer() const noexcept { return FComparer; }

  // The views, created on first read and owned by the dictionary.
  TKeyCollection* GetKeys() const {
    if (!FKeyCollection) FKeyCollection = std::make_unique<TKeyCollection>(this);
    return FKeyCollection.get();
  }
  TValueCollection* GetValues() const {
    if (!FValueCollection) FValueCollection = std::make_unique<TValueCollection>(this);
    return FValueCollection.get();
  }

  const TCollectionNotifyEvent<TKey>& GetOnKeyNotify() const noexcept { return FOnKeyNotify; }
  void SetOnKeyNotify(TCollectionNotifyEvent<TKey> Value) { FOnKeyNotify = std::move(Value); }
  const TCollectionNotifyEvent<TValue>& GetOnValueNotify() const noexcept { return FOnValueNotify; }
  void SetOnValueNotify(TCollectionNotifyEvent<TValue> Value) { FOnValueNotify = std::move(Value); }

 protected:
  // Stores the item in the free slot Index, counts it, then notifies key and value as added.
  virtual void DoAdd(Integer HashCode, Integer Index, const TKey& Key, const TValue& Value) {
    TItem& Item = FItems[static_cast<std::size_t>(Index)];
    Item.HashCode = HashCode;
    Item.Key = Key;
    Item.Value = Value;
    ++FCount;
    KeyNotify(Key, cnAdded);
    ValueNotify(Value, cnAdded);
  }

  // Stores Value in the occupied slot Index, then notifies the old value as removed and the new
  // one as added. The key is not notified.
  virtual void DoSetValue(Integer Index, const TValue& Value) {
    TValue OldValue = std::exchange(FItems[static_cast<std::size_t>(Index)].Value, Value);
    ValueNotify(OldValue, cnRemoved);
    ValueNotify(Value, cnAdded);
  }

  // Removes the key found with HashCode by backward-shift deletion and returns its value; then
  // notifies Key (as the caller passed it) and the value with Notification. An absent key
  // returns the empty value and notifies nothing.
  virtual TValue DoRemove(const TKey& Key, Integer HashCode, TCollectionNotification Notification) {
    const Integer Found = GetBucketIndex(Key, HashCode);
    if (Found < 0) return TValue{};
    const Integer Mask = static_cast<Integer>(FItems.size()) - 1;
    TValue Result = std::move(FItems[static_cast<std::size_t>(Found)].Value);
    Integer Gap = Found;
    Integer J = Found;
    for (;;) {
      J = (J + 1) & Mask;
      TItem& Item = FItems[static_cast<std::size_t>(J)];
      if (Item.HashCode == -1) break;
      // An item whose home lies in (Gap, J] would land before its home if moved into the gap.
      if (InCircularRange(Gap, Item.HashCode & Mask, J)) continue;
      FItems[static_cast<std::size_t>(Gap)] = std::move(Item);
      Gap = J;
    }
    TItem& Last = FItems[static_cast<std::size_t>(Gap)];
    Last.HashCode = -1;
    Last.Key = TKey{};
    Last.Value = TValue{};
    --FCount;
    KeyNotify(Key, Notification);
    ValueNotify(Result, Notification);
    return Result;
  }

  virtual void KeyNotify(const TKey& Key, TCollectionNotification Action) {
    if (FOnKeyNotify) FOnKeyNotify(this, Key, Action);
  }
  virtual void ValueNotify(const TValue& Value, TCollectionNotification Action) {
    if (FOnValueNotify) FOnValueNotify(this, Value, Action);
  }

  // Advances Index (a slot index, -1 before the first) to the next occupied slot of the live
  // table. When none is left it returns false and Index stays where it stopped (n - 1, or
  // where it was if the table has shrunk below it).
  bool NextOccupied(Integer& Index) const noexcept {
    const Integer N = static_cast<Integer>(FItems.size());
    while (Index < N - 1) {
      ++Index;
      if (FItems[static_cast<std::size_t>(Index)].HashCode != -1) return true;
    }
    return false;
  }
  // Moves Index back to the previous occupied slot; false (Index unchanged) when there is none.
  bool PriorOccupied(Integer& Index) const noexcept {
    for (Integer I = Index - 1; I >= 0; --I) {
      if (FItems[static_cast<std::size_t>(I)].HashCode != -1) {
        Index = I;
        return true;
      }
    }
    return false;
  }
  // The occupied slot Index of the live table, or nullptr when Index lies outside it or the
  // slot is free: an enumerator that outlived a change of its table reads nothing stale.
  const TItem* OccupiedSlot(Integer Index) const noexcept {
    if (Index < 0 || Index >= static_cast<Integer>(FItems.size())) return nullptr;
    const TItem& Item = FItems[static_cast<std::size_t>(Index)];
    return Item.HashCode == -1 ? nullptr : &Item;
  }

  // Changes whenever the slot table is rebuilt (growth, TrimExcess, Clear): whatever remembers
  // slot positions compares it to know that they are gone.
  std::uint32_t GetTableVersion() const noexcept { return FTableVersion; }

  std::unique_ptr<TEnumerator<TPairType>> DoGetEnumerator() const override {
    return GetEnumerator();
  }

  TItemArray FItems;

 private:
  // The item's hash code: the comparer's hash masked to 31 bits, plus one, masked again, so it
  // is never -1 (a comparer hash of 0x7FFFFFFF or -1 gives 0, one of 0 gives 1).
  Integer Hash(const TKey& Key) const {
    const auto H = static_cast<std::uint32_t>(
        FDefaultComparer ? TDefaultEquality<TKey>::GetHashCode(Key) : FComparer->GetHashCode(Key));
    return static_cast<Integer>(((H & 0x7FFFFFFFu) + 1u) & 0x7FFFFFFFu);
  }

  bool KeysEqual(const TKey& Stored, const TKey& Key) const {
    return FDefaultComparer ? TDefaultEquality<TKey>::Equals(Stored, Key)
                            : FComparer->Equals(Stored, Key);
  }

  // The slot holding Key (>= 0); else the one's complement of the free slot where it would go;
  // INT32_MIN when there are no slots at all. The comparer is asked only about slots whose
  // stored hash code equals HashCode, stored key first.
  Integer GetBucketIndex(const TKey& Key, Integer HashCode) const {
    const Integer N = static_cast<Integer>(FItems.size());
    if (N == 0) return INT32_MIN;
    const Integer Mask = N - 1;
    Integer I = HashCode & Mask;
    for (;;) {
      const TItem& Item = FItems[static_cast<std::size_t>(I)];
      if (Item.HashCode == -1) return ~I;
      if (Item.HashCode == HashCode && KeysEqual(Item.Key, Key)) return I;
      I = (I + 1) & Mask;
    }
  }

  void GrowCheck() {
    if (FCount >= FGrowThreshold) Grow();
  }

  // Doubling 2^30 slots wraps to a negative count, which Rehash refuses as out of memory.
  void Grow() {
    const Integer N = static_cast<Integer>(FItems.size());
    Rehash(N == 0 ? 4 : static_cast<Integer>(static_cast<std::uint32_t>(N) << 1));
  }

  void SetCapacity(Integer ACapacity) {
    if (ACapacity < FCount) detail::RaiseArgumentOutOfRange();
    Rehash(ACapacity == 0 ? 0 : detail::SlotCountFor(ACapacity));
  }

  // Moves every item, in ascending slot order, with its stored hash code into a new table of
  // NewCapacity slots. Fires nothing; leaves the old table in place on failure.
  void Rehash(Integer NewCapacity) {
    if (NewCapacity == static_cast<Integer>(FItems.size())) return;
    if (NewCapacity < 0) detail::RaiseOutOfMemory();
    TItemArray NewItems;
    try {
      NewItems.resize(static_cast<std::size_t>(NewCapacity));
    } catch (const std::bad_alloc&) {
      detail::RaiseOutOfMemory();
    } catch (const std::length_error&) {
      detail::RaiseOutOfMemory();
    }
    if (NewCapacity > 0) {
      const Integer Mask = NewCapacity - 1;
      for (TItem& Item : FItems) {
        if (Item.HashCode == -1) continue;
        Integer I = Item.HashCode & Mask;  // RehashAdd: the first free slot from the home slot
        while (NewItems[static_cast<std::size_t>(I)].HashCode != -1) I = (I + 1) & Mask;
        NewItems[static_cast<std::size_t>(I)] = std::move(Item);
      }
    }
    FItems.swap(NewItems);
    FGrowThreshold = (NewCapacity >> 1) + (NewCapacity >> 2);
    ++FTableVersion;
  }

  Integer FCount = 0;
  TComparer FComparer;
  Integer FGrowThreshold = 0;
  TCollectionNotifyEvent<TKey> FOnKeyNotify;
  TCollectionNotifyEvent<TValue> FOnValueNotify;
  mutable std::unique_ptr<TKeyCollection> FKeyCollection;
  mutable std::unique_ptr<TValueCollection> FValueCollection;
  // True when no comparer was given: the default equality of TKey is then called directly.
  bool FDefaultComparer = true;
  std::uint32_t FTableVersion = 0;
};

// ---------------------------------------------------------------------------------------------
// Enumerators: each starts before the first slot and reads the dictionary's live table at every
// call. Current is empty before the first MoveNext, after the last, and when the slot it
// stands on has been emptied or cut off since.

template <typename TKey, typename TValue>
class TKVDictionary<TKey, TValue>::TKeyEnumerator : public TEnumerator<TKey> {
 public:
  explicit TKeyEnumerator(const TKVDictionary* ADictionary) noexcept : FDictionary(ADictionary) {}
  bool MoveNext() noexcept { return FDictionary->NextOccupied(FIndex); }
  TKey GetCurrent() const {
    const TItem* Item = FDictionary->OccupiedSlot(FIndex);
    return Item != nullptr ? Item->Key : TKey{};
  }

 protected:
  TKey DoGetCurrent() override { return GetCurrent(); }
  bool DoMoveNext() override { return MoveNext(); }

 private:
  const TKVDictionary* FDictionary;
  Integer FIndex = -1;
};

template <typename TKey, typename TValue>
class TKVDictionary<TKey, TValue>::TValueEnumerator : public TEnumerator<TValue> {
 public:
  explicit TValueEnumerator(const TKVDictionary* ADictionary) noexcept : FDictionary(ADictionary) {}
  bool MoveNext() noexcept { return FDictionary->NextOccupied(FIndex); }
  TValue GetCurrent() const {
    const TItem* Item = FDictionary->OccupiedSlot(FIndex);
    return Item != nullptr ? Item->Value : TValue{};
  }

 protected:
  TValue DoGetCurrent() override { return GetCurrent(); }
  bool DoMoveNext() override { return MoveNext(); }

 private:
  const TKVDictionary* FDictionary;
  Integer FIndex = -1;
};

template <typename TKey, typename TValue>
class TKVDictionary<TKey, TValue>::TPairEnumerator : public TEnumerator<TPair<TKey, TValue>> {
 public:
  explicit TPairEnumerator(const TKVDictionary* ADictionary) noexcept : FDictionary(ADictionary) {}
  bool MoveNext() noexcept { return FDictionary->NextOccupied(FIndex); }
  TPairType GetCurrent() const {
    const TItem* Item = FDictionary->OccupiedSlot(FIndex);
    return Item != nullptr ? TPairType(Item->Key, Item->Value) : TPairType();
  }

 protected:
  TPairType DoGetCurrent() override { return GetCurrent(); }
  bool DoMoveNext() override { return MoveNext(); }

 private:
  const TKVDictionary* FDictionary;
  Integer FIndex = -1;
};

// The views refer to their dictionary without owning it and reflect it live.

template <typename TKey, typename TValue>
class TKVDictionary<TKey, TValue>::TKeyCollection : public TKVEnumerable<TKey> {
 public:
  explicit TKeyCollection(const TKVDictionary* ADictionary) noexcept : FDictionary(ADictionary) {}
  Integer GetCount() const noexcept { return FDictionary->GetCount(); }
  std::unique_ptr<TKeyEnumerator> GetEnumerator() const {
    return std::make_unique<TKeyEnumerator>(FDictionary);
  }
  TArray<TKey> ToArray() const override { return this->ToArrayImpl(GetCount()); }

 protected:
  std::unique_ptr<TEnumerator<TKey>> DoGetEnumerator() const override { return GetEnumerator(); }

 private:
  const TKVDictionary* FDictionary;
};

template <typename TKey, typename TValue>
class TKVDictionary<TKey, TValue>::TValueCollection : public TKVEnumerable<TValue> {
 public:
  explicit TValueCollection(const TKVDictionary* ADictionary) noexcept : FDictionary(ADictionary) {}
  Integer GetCount() const noexcept { return FDictionary->GetCount(); }
  std::unique_ptr<TValueEnumerator> GetEnumerator() const {
    return std::make_unique<TValueEnumerator>(FDictionary);
  }
  TArray<TValue> ToArray() const override { return this->ToArrayImpl(GetCount()); }

 protected:
  std::unique_ptr<TEnumerator<TValue>> DoGetEnumerator() const override { return GetEnumerator(); }

 private:
  const TKVDictionary* FDictionary;
};

}  // namespace tarnwick::collections

#endif  // TARNWICK_CONTAINERS_KVDICTIONARY_H_
