// TKVHashTable<TKey,TValue>: the dictionary with update blocks, a change event, access by
// ordinal and Get/Put; TKVStringHashTable<TValue>: the string-keyed table that exchanges its
// keys with string lists, makes unique names and iterates its keys.
//
// Events. Outside update blocks every change fires its per-item events (OnKeyNotify,
// OnValueNotify) and then OnChange; inside a block none fire, and the EndUpdate that closes
// the outermost block fires OnChange once. The virtual notifying operations still run inside
// blocks, so descendants see every item.
//
// Ordinals number the occupied slots from 0 in ascending slot order (the enumeration order).
// The position cache (FCachedIndex, FCachedItemIndex) remembers the last ordinal read, so a
// loop over ItemByIndex upward or downward costs one step per item. While FCachedIndex >= 0 the
// slot FCachedItemIndex is occupied and has ordinal FCachedIndex in the table the cache was
// computed on; every key notification clears it, and so does any rebuild of the slot table
// (growth, TrimExcess), which moves items without notifying them.
#ifndef TARNWICK_CONTAINERS_KVHASHTABLE_H_
#define TARNWICK_CONTAINERS_KVHASHTABLE_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "tarnwick/common/StringIterator.h"
#include "tarnwick/containers/KVDictionary.h"
#include "tarnwick/containers/KVGenericsSupport.h"
#include "tarnwick/platform/Classes.h"
#include "tarnwick/platform/ComponentStreaming.h"
#include "tarnwick/platform/Events.h"
#include "tarnwick/platform/Interfaces.h"
#include "tarnwick/platform/Strings.h"
#include "tarnwick/platform/TypInfo.h"
#include "tarnwick/platform/Types.h"

namespace tarnwick::collections {

// The stream values that older versions of the hash tables stored and that a table reading a
// stream accepts and drops: "LoadFactor" as a floating-point value, the other two as 64-bit
// integers. A table never writes them.
inline constexpr std::string_view kObsoleteHashTableValues[] = {"LoadFactor", "HashType",
                                                                "Capacity"};

template <typename TKey, typename TValue>
class TKVHashTable : public TKVDictionary<TKey, TValue> {
  using TInherited = TKVDictionary<TKey, TValue>;

 public:
  using typename TInherited::TItem;

  using TInherited::TInherited;

  // Destruction opens an update block that is never closed, so nothing fires while the table
  // clears itself.
  ~TKVHashTable() override {
    BeginDestroy();
    try {
      TKVHashTable::Clear();
    } catch (...) {
    }
  }

  virtual void BeginUpdate() { ++FUpdating; }
  // The EndUpdate that brings the counter to exactly 0 fires OnChange.
  virtual void EndUpdate() {
    --FUpdating;
    if (FUpdating == 0) Change();
  }
  Integer GetUpdateCount() const noexcept { return FUpdating; }

  // The dictionary's Clear inside one update block (closed also when it raises): the per-item
  // notifications reach descendants but fire no event; OnChange fires once at the end, also
  // for an empty table, unless an outer block is open.
  void Clear() override {
    TUpdateBlock<TKVHashTable> Block(*this);
    TInherited::Clear();
  }

  // The value of Key; a missing key raises EListError SGenericItemNotFound.
  TValue Get(const TKey& Key) const { return this->GetItem(Key); }
  // The value stored under Key before the call (empty for a new key), then AddOrSetValue.
  TValue Put(const TKey& Key, const TValue& Value) {
    TValue Previous;
    this->TryGetValue(Key, Previous);
    this->AddOrSetValue(Key, Value);
    return Previous;
  }
  // Item[Key] := Value.
  void PutItem(const TKey& Key, const TValue& Value) { this->AddOrSetValue(Key, Value); }
  TValue operator[](const TKey& Key) const { return Get(Key); }

  using TInherited::ContainsKey;
  // FoundItem := the value of Key, or empty when the key is absent.
  bool ContainsKey(const TKey& Key, TValue& FoundItem) const {
    FoundItem = TValue{};
    return this->TryGetValue(Key, FoundItem);
  }
  bool ContainsItem(const TValue& Value) const { return this->ContainsValue(Value); }

  // The value / key of the occupied slot with ordinal Index; Index outside [0, Count) raises
  // EListError SListIndexError with Index and leaves the cache alone.
  TValue GetItemByIndex(Integer Index) const { return GetPairByIndex(Index).Value; }
  TKey GetKeyByIndex(Integer Index) const { return GetPairByIndex(Index).Key; }

  bool IsEmpty() const noexcept { return this->GetCount() == 0; }

  const TNotifyEvent& GetOnChange() const noexcept { return FOnChange; }
  void SetOnChange(TNotifyEvent Value) { FOnChange = std::move(Value); }

  // The inherited definitions, then the obsolete stream values (kObsoleteHashTableValues), each
  // with a reader that reads its value and drops it, no writer and no data: a stream that holds
  // them is read as if it did not, and no table writes them.
  void DefineProperties(TFiler* Filer) override {
    TInherited::DefineProperties(Filer);
    Filer->DefineProperty(std::string(kObsoleteHashTableValues[0]), &DiscardFloatProperty, nullptr, false);
    Filer->DefineProperty(std::string(kObsoleteHashTableValues[1]), &DiscardIntegerProperty, nullptr, false);
    Filer->DefineProperty(std::string(kObsoleteHashTableValues[2]), &DiscardIntegerProperty, nullptr, false);
  }

  // Published: OnChange.
  const TClassInfo* ClassInfo() const override {
    static const TPropInfo Props[] = {Property<&TKVHashTable::GetOnChange, &TKVHashTable::SetOnChange>("OnChange")};
    static const TClassInfo Info(TInherited::ClassInfo(), Props);
    return &Info;
  }

 protected:
  // Fires OnChange when assigned and no update block is open.
  virtual void Change() {
    if (FUpdating <= 0 && FOnChange) FOnChange(this);
  }

  void DoAdd(Integer HashCode, Integer Index, const TKey& Key, const TValue& Value) override {
    TInherited::DoAdd(HashCode, Index, Key, Value);
    Change();
  }
  void DoSetValue(Integer Index, const TValue& Value) override {
    TInherited::DoSetValue(Index, Value);
    Change();
  }
  // Removal from an empty table raises EGHashtableError STableEmpty. Otherwise the dictionary's
  // removal, then Change, also when the key was absent.
  TValue DoRemove(const TKey& Key, Integer HashCode, TCollectionNotification Notification) override {
    if (this->GetCount() == 0) detail::RaiseTableEmpty();
    TValue Result = TInherited::DoRemove(Key, HashCode, Notification);
    Change();
    return Result;
  }
  void KeyNotify(const TKey& Key, TCollectionNotification Action) override {
    ClearCache();
    if (FUpdating <= 0) TInherited::KeyNotify(Key, Action);
  }
  void ValueNotify(const TValue& Value, TCollectionNotification Action) override {
    if (FUpdating <= 0) TInherited::ValueNotify(Value, Action);
  }

  // Opens the update block of destruction, once. A descendant that overrides Clear calls it
  // and then Clear from its own destructor, so that its override runs (C++ reaches no override
  // from a base destructor) and still nothing fires.
  void BeginDestroy() noexcept {
    if (FDestroying) return;
    FDestroying = true;
    ++FUpdating;
  }

 private:
  void ClearCache() const noexcept { FCachedIndex = -1; }

  const TItem& GetPairByIndex(Integer Index) const {
    if (Index < 0 || Index >= this->GetCount()) detail::RaiseListIndexError(Index);
    if (FCachedIndex >= 0 &&
        (FCachedVersion != this->GetTableVersion() ||
         this->OccupiedSlot(FCachedItemIndex) == nullptr))
      ClearCache();
    if (FCachedIndex == -1) ResetEntry();
    if (FCachedIndex != Index) {
      if (Index == FCachedIndex + 1) {
        GetEntry(Index, 1);
      } else if (Index == FCachedIndex - 1) {
        GetEntry(Index, -1);
      } else {
        ResetEntry();
        GetEntry(Index, 1);
      }
    }
    return this->FItems[static_cast<std::size_t>(FCachedItemIndex)];
  }

  // The cache at ordinal 0: the first occupied slot (the table is not empty).
  void ResetEntry() const noexcept {
    FCachedItemIndex = -1;
    this->NextOccupied(FCachedItemIndex);
    FCachedIndex = 0;
    FCachedVersion = this->GetTableVersion();
  }

  // Steps the cache one occupied slot at a time in direction Step until it reaches ordinal
  // Index (which lies within [0, Count)).
  void GetEntry(Integer Index, Integer Step) const noexcept {
    while (FCachedIndex != Index) {
      if (Step > 0) {
        if (!this->NextOccupied(FCachedItemIndex)) return;
        ++FCachedIndex;
      } else {
        if (!this->PriorOccupied(FCachedItemIndex)) return;
        --FCachedIndex;
      }
    }
  }

  static void DiscardFloatProperty(TReader& Reader) { (void)Reader.ReadFloat(); }
  static void DiscardIntegerProperty(TReader& Reader) { (void)Reader.ReadInt64(); }

  TNotifyEvent FOnChange;
  Integer FUpdating = 0;
  mutable Integer FCachedIndex = -1;
  mutable Integer FCachedItemIndex = -1;
  mutable std::uint32_t FCachedVersion = 0;
  bool FDestroying = false;
};

template <typename TValue>
class TKVStringHashTable : public TKVHashTable<std::string, TValue> {
  using TInherited = TKVHashTable<std::string, TValue>;

 public:
  class TStringIterator;

  using TInherited::TInherited;

  // From a platform TStrings: inside an update block, Clear, then Add(line, empty value) for
  // every line in order; a repeated line raises EListError SGenericDuplicateItem with the lines
  // before it stored (the block still closes and fires OnChange). Otherwise the dictionary's
  // Assign.
  void Assign(const TPersistent* Source) override {
    const auto* Strings = dynamic_cast<const TStrings*>(Source);
    if (Strings == nullptr) {
      TInherited::Assign(Source);
      return;
    }
    TUpdateBlock<TKVStringHashTable> Block(*this);
    this->Clear();
    for (Integer I = 0; I < Strings->GetCount(); ++I) this->Add(Strings->Get(I), TValue{});
  }

  // The first of aName, aName + " " + Append, and the numbered forms "<text before the first
  // Append> Append (1)", "(2)", ... that is not a key.
  std::string GetUniqueName(const std::string& aName, const std::string& Append) const {
    std::string Result = aName;
    Integer Counter = 0;
    while (this->ContainsKey(Result)) {
      const std::size_t P = Append.empty() ? std::string::npos : Result.find(Append);
      if (P == std::string::npos) {
        Result += ' ';
        Result += Append;
      } else {
        ++Counter;
        Result = Result.substr(0, P) + Append + " (" + std::to_string(Counter) + ")";
      }
    }
    return Result;
  }

  // A new iterator over the keys in slot order; it must not outlive the table.
  Intf<IStringIterator> Indices() const { return Intf<IStringIterator>(new TStringIterator(this)); }

 protected:
  // Into a platform TStrings: inside its update block, Clear, then one line per key in slot
  // order, without objects. Into a destination with a published string property "Text": the
  // keys go into a temporary string list through this virtual AssignTo, and its text (each key
  // followed by a line break) is set as Dest's Text. Any other destination: the platform's
  // assignment error.
  void AssignTo(TPersistent* Dest) const override {
    auto* Strings = dynamic_cast<TStrings*>(Dest);
    if (Strings == nullptr) {
      const TPropInfo* Text = GetPropInfo(Dest, "Text");
      if (Text == nullptr || Text->Kind != tkString) {
        TInherited::AssignTo(Dest);
        return;
      }
      tarnwick::TStringList Keys;
      this->AssignTo(&Keys);
      SetStrProp(Dest, *Text, Keys.GetText());
      return;
    }
    TUpdateBlock<TStrings> Block(*Strings);
    Strings->Clear();
    for (std::size_t I = 0; I < this->FItems.size(); ++I)
      if (this->FItems[I].HashCode != -1) Strings->Add(this->FItems[I].Key);
  }
};

// The keys of a table in slot order. FIndex is the slot of the current key (-1 before the
// first), FElementCount the number of keys returned. NextElement past the last key returns
// the empty string without counting; CurrentElement before the first NextElement, past the
// last, or on a slot emptied since, returns the empty string.
template <typename TValue>
class TKVStringHashTable<TValue>::TStringIterator : public TInterfacedObject,
                                                    public virtual IStringIterator {
 public:
  explicit TStringIterator(const TKVStringHashTable* Table) noexcept : FTable(Table) {}

  std::string CurrentElement() override {
    const auto* Item = FTable->OccupiedSlot(FIndex);
    return Item != nullptr ? Item->Key : std::string();
  }
  Integer GetCount() override { return FTable->GetCount(); }
  Integer get_Count() override { return FTable->GetCount(); }
  bool HasMoreElements() override { return FElementCount < FTable->GetCount(); }
  std::string NextElement() override {
    if (!FTable->NextOccupied(FIndex)) {
      FIndex = FTable->GetCapacity();  // past the end: CurrentElement is empty from now on
      return std::string();
    }
    ++FElementCount;
    return FTable->OccupiedSlot(FIndex)->Key;
  }
  void Reset() override {
    FIndex = -1;
    FElementCount = 0;
  }

 protected:
  void* GetInterface(const TGUID& IID) noexcept override {
    if (void* P = GetInterfaceOf<IStringIterator>(this, IID)) return P;
    return TInterfacedObject::GetInterface(IID);
  }

 private:
  const TKVStringHashTable* FTable;
  Integer FIndex = -1;
  Integer FElementCount = 0;
};

}  // namespace tarnwick::collections

#endif  // TARNWICK_CONTAINERS_KVHASHTABLE_H_
