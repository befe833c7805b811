// The root of the platform classes (TObject, TPersistent) and the owned collection with its items
// and enumerator.
#include "tarnwick/platform/Classes.h"

#include <cxxabi.h>

#include <algorithm>
#include <cstdlib>
#include <typeinfo>

#include "tarnwick/platform/Exceptions.h"
#include "tarnwick/platform/Format.h"
#include "tarnwick/platform/detail/BlockCache.h"

namespace tarnwick {

namespace detail {

namespace {
// A list's first room, and twice that, which a set's flat copy of its points starts with.
using TSmallRooms = TThreadBlockCache<kCachedItemRoom, kItemRoomCacheBytes>;
using TLargeRooms = TThreadBlockCache<2 * kCachedItemRoom, kLargeItemRoomCacheBytes>;
}  // namespace

void* AllocateItemRoom(std::size_t Bytes) {
  return Bytes <= kCachedItemRoom ? TSmallRooms::Allocate(Bytes) : TLargeRooms::Allocate(Bytes);
}

void ReleaseItemRoom(void* Room, std::size_t Bytes) noexcept {
  if (Bytes <= kCachedItemRoom) TSmallRooms::Release(Room, Bytes);
  else TLargeRooms::Release(Room, Bytes);
}

}  // namespace detail

// ---------------------------------------------------------------------------------------------
// TObject

TObject::~TObject() = default;

std::string TObject::ClassName() const { return ClassNameOf(typeid(*this)); }

std::string ClassNameOf(const std::type_info& Type) {
  const char* Mangled = Type.name();
  int Status = 0;
  char* Demangled = abi::__cxa_demangle(Mangled, nullptr, nullptr, &Status);
  std::string Name = (Status == 0 && Demangled) ? Demangled : Mangled;
  std::free(Demangled);
  // Keep the class's own name: drop namespaces and, for templates, keep the arguments.
  std::size_t Cut = std::string::npos;
  int Depth = 0;
  for (std::size_t I = 0; I < Name.size(); ++I) {
    if (Name[I] == '<') ++Depth;
    else if (Name[I] == '>') --Depth;
    else if (Depth == 0 && Name[I] == ':' && I + 1 < Name.size() && Name[I + 1] == ':') Cut = I + 1;
  }
  return Cut == std::string::npos ? Name : Name.substr(Cut + 1);
}

std::string TObject::ToString() const { return ClassName(); }

// ---------------------------------------------------------------------------------------------
// TPersistent

TPersistent::~TPersistent() = default;

void TPersistent::Assign(const TPersistent* Source) {
  if (Source != nullptr) {
    Source->AssignTo(this);
    return;
  }
  AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent* Dest) const { Dest->AssignError(this); }

void TPersistent::DefineProperties(TFiler*) {}

TPersistent* TPersistent::GetOwner() const { return nullptr; }

void TPersistent::AssignError(const TPersistent* Source) const { RaiseAssignError(Source, this); }

void RaiseAssignError(const TObject* Source, const TObject* Dest) {
  const std::string SourceName = Source ? Source->ClassName() : std::string("nil");
  const std::string DestName = Dest ? Dest->ClassName() : std::string("nil");
  throw EConvertError(Format(LoadResString(SAssignError), {SourceName, DestName}));
}

void RaiseListError(const TResString& Msg, std::int32_t Index) {
  throw EListError(Format(LoadResString(Msg), {Index}));
}

void RaiseInvalidCast() { throw EInvalidCast(LoadResString(SInvalidCast)); }

// ---------------------------------------------------------------------------------------------
// TCollectionItem

TCollectionItem::~TCollectionItem() {
  // A descendant that must be seen whole by the removal notice has left already.
  if (FCollection != nullptr) FCollection->RemoveItem(this);
}

void TCollectionItem::SetCollection(TCollection* Value) {
  if (FCollection == Value) return;
  if (FCollection != nullptr) FCollection->RemoveItem(this);
  if (Value != nullptr) Value->InsertItem(this);
}

std::int32_t TCollectionItem::GetIndex() const {
  return FCollection ? FCollection->IndexOfItem(this) : -1;
}

void TCollectionItem::SetIndex(std::int32_t Value) {
  const std::int32_t CurIndex = GetIndex();
  if (CurIndex >= 0 && CurIndex != Value) {
    FCollection->MoveItem(CurIndex, Value);
    Changed(true);
  }
}

std::string TCollectionItem::GetDisplayName() const { return ClassName(); }

void TCollectionItem::SetDisplayName(const std::string&) { Changed(false); }

// ---------------------------------------------------------------------------------------------
// TCollection

TCollection::~TCollection() {
  // The items still send their removal notices, which from here reach this class's own Notify
  // only; a descendant that reacts to them calls DestroyItems in its own destructor.
  DestroyItems();
}

void TCollection::DestroyItems() {
  FUpdateCount = 1;  // a dying collection reports no change of itself
  while (!FItems.empty()) delete FItems.back();
}

void TCollection::DestroyItemsQuietly(const std::type_info& QuietClass) noexcept {
  FUpdateCount = 1;
  FreeItemsQuietly(QuietClass);
}

void TCollection::FreeItemsQuietly(const std::type_info& QuietClass) noexcept {
  while (!FItems.empty()) {
    TCollectionItem* Item = FItems.back();
    if (IsExactClass(*Item, QuietClass)) {
      FItems.pop_back();
      Item->FCollection = nullptr;
    }
    delete Item;
  }
}

TCollectionItem* TCollection::Add() { return FItemClass.Create(this); }

TCollectionItem* TCollection::Insert(std::int32_t Index) {
  // Checked first, so that a bad position leaves no new item behind.
  if (Index < 0 || Index > GetCount()) RaiseListError(SListIndexError, Index);
  TCollectionItem* Item = Add();
  Item->SetIndex(Index);
  return Item;
}

void TCollection::Delete(std::int32_t Index) {
  TCollectionItem* Item = GetItem(Index);
  Notify(Item, cnDeleting);
  delete Item;
}

void TCollection::Clear() {
  if (FItems.empty()) return;
  TUpdateBlock<TCollection> Block(*this);
  while (!FItems.empty()) delete FItems.back();
}

void TCollection::Assign(const TPersistent* Source) {
  // A copy from a list of the same class (a set's points from another set's) is told by its
  // class alone, without searching the hierarchy.
  const auto* Other = Source != nullptr && IsExactClass(*Source, typeid(*this))
                          ? static_cast<const TCollection*>(Source)
                          : dynamic_cast<const TCollection*>(Source);
  if (Other == nullptr) {
    TPersistent::Assign(Source);
    return;
  }
  if (Other == this) return;  // clearing first would lose the very items to copy
  TUpdateBlock<TCollection> Block(*this);
  Clear();
  for (TCollectionItem* Item : Other->FItems) Add()->Assign(Item);
}

void TCollection::BeginUpdate() { ++FUpdateCount; }

void TCollection::EndUpdate() {
  --FUpdateCount;
  Changed();
}

void TCollection::SetItem(std::int32_t Index, const TCollectionItem* Value) {
  GetItem(Index)->Assign(Value);
}

void TCollection::DeleteItems(std::span<TCollectionItem* const> Gone) {
  if (Gone.empty()) return;
  // Each leaves as RemoveItem lets it leave: the notices while it is still linked and listed,
  // then unlinked; the list is compacted once all are unlinked, and they die after that.
  for (TCollectionItem* Item : Gone) {
    Notify(Item, cnDeleting);
    Notify(Item, cnExtracting);
    Item->FCollection = nullptr;
  }
  FItems.erase(std::remove_if(FItems.begin(), FItems.end(), [](const TCollectionItem* Item) { return Item->FCollection == nullptr; }),
               FItems.end());
  for (TCollectionItem* Item : Gone) delete Item;
  Changed();
}

TCollectionItem* TCollection::FindItemID(std::int32_t ID) const {
  for (TCollectionItem* Item : FItems)
    if (Item->FID == ID) return Item;
  return nullptr;
}

std::int32_t TCollection::IndexOfItem(const TCollectionItem* Item) const noexcept {
  // Items are mostly looked for near either end (leaving from the end on Clear and
  // destruction, working sets near the end, points of a list placed at its front or end), so
  // both ends are searched at once, inwards.
  std::int32_t Low = 0;
  std::int32_t High = GetCount() - 1;
  for (; Low <= High; ++Low, --High) {
    if (FItems[static_cast<std::size_t>(High)] == Item) return High;
    if (FItems[static_cast<std::size_t>(Low)] == Item) return Low;
  }
  return -1;
}

std::unique_ptr<TCollectionEnumerator> TCollection::GetEnumerator() const {
  return std::make_unique<TCollectionEnumerator>(this);
}

void TCollection::ReserveFirstRoom() { FItems.reserve(detail::kFirstItems); }

void TCollection::RemoveItem(TCollectionItem* Item) {
  Notify(Item, cnExtracting);
  const std::int32_t Index = IndexOfItem(Item);
  if (Index >= 0) FItems.erase(FItems.begin() + Index);
  Item->FCollection = nullptr;
  Changed();
}

void TCollection::MoveItem(std::int32_t CurIndex, std::int32_t NewIndex) {
  if (NewIndex < 0 || NewIndex >= GetCount()) RaiseListError(SListIndexError, NewIndex);
  FItems.move(static_cast<std::size_t>(CurIndex), static_cast<std::size_t>(NewIndex));
}

// ---------------------------------------------------------------------------------------------
// TOwnedCollection, TCollectionEnumerator

TOwnedCollection::~TOwnedCollection() = default;
TPersistent* TOwnedCollection::GetOwner() const { return FOwner; }

TCollectionEnumerator::TCollectionEnumerator(const TCollection* Collection) noexcept
    : FCollection(Collection) {}
TCollectionEnumerator::~TCollectionEnumerator() = default;

TCollectionItem* TCollectionEnumerator::GetCurrent() const { return FCollection->GetItem(FIndex); }

bool TCollectionEnumerator::MoveNext() {
  if (FIndex >= FCollection->GetCount()) return false;
  ++FIndex;
  return FIndex < FCollection->GetCount();
}

}  // namespace tarnwick
