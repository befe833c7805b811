// The owned collection's lookup of an item by its name, and the out-of-line destructors that
// anchor the collection's and its item's vtables in the library.
#include "tarnwick/common/GCollection.h"

#include <algorithm>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <typeinfo>
#include <unordered_map>
#include <vector>

#include "tarnwick/platform/detail/Immortal.h"

namespace tarnwick {

// The items of each name in no particular order. A name held by one item (the usual case)
// answers a lookup at once; a name that several items share is looked up by the walk, which
// alone knows which of them comes first.
struct TGCollection::TNameIndex {
  struct THash {
    using is_transparent = void;
    std::size_t operator()(std::string_view Name) const noexcept { return std::hash<std::string_view>{}(Name); }
  };
  std::unordered_map<std::string, std::vector<TGCollectionItem*>, THash, std::equal_to<>> Items;

  void Add(TGCollectionItem* Item, std::string_view Name) {
    if (Name.empty()) return;
    auto It = Items.find(Name);
    if (It == Items.end()) It = Items.emplace(std::string(Name), std::vector<TGCollectionItem*>()).first;
    It->second.push_back(Item);
  }
  // False when Item is not held under Name.
  bool Remove(const TGCollectionItem* Item, std::string_view Name) noexcept {
    if (Name.empty()) return true;
    const auto It = Items.find(Name);
    if (It == Items.end()) return false;
    std::vector<TGCollectionItem*>& Named = It->second;
    // Items mostly leave in the reverse order of their coming.
    const auto Found = std::find(Named.rbegin(), Named.rend(), Item);
    if (Found == Named.rend()) return false;
    Named.erase(std::next(Found).base());
    if (Named.empty()) Items.erase(It);
    return true;
  }
};

TGCollectionItem::~TGCollectionItem() = default;

const std::string& TGCollectionItem::GetName() const {
  static const detail::TImmortal<std::string> Empty;
  return Empty.Get();
}

// The collection whose index of names follows this item's name, or nullptr when none does.
TGCollection* TGCollectionItem::NameIndexHolder() const {
  TGCollection* Collection = GetCollection() != nullptr ? GetNamingCollection() : nullptr;
  return Collection != nullptr && Collection->FNames ? Collection : nullptr;
}

void TGCollectionItem::StoreNameField(std::string& Field, const std::string& Value) {
  if (NameIndexHolder() == nullptr) {
    Field = Value;  // into the room the old name leaves
    return;
  }
  StoreNameField(Field, std::string(Value));
}

void TGCollectionItem::StoreNameField(std::string& Field, std::string&& Value) {
  TGCollection* Collection = NameIndexHolder();
  if (Collection == nullptr) {
    Field = std::move(Value);
    return;
  }
  Field.swap(Value);
  Collection->NameChanged(this, Value);  // Value holds the old name now
}

TGCollection* TGCollectionItem::GetNamingCollection() const { return dynamic_cast<TGCollection*>(GetCollection()); }

TGCollection::TGCollection(TPersistent* Owner, TCollectionItemClass ItemClass)
    : TOwnedCollection(Owner, ItemClass) {}

TGCollection::~TGCollection() = default;

TGCollectionItem* TGCollection::FindByWalk(std::string_view Name) const {
  // The items of a collection are mostly of one class: once an item of a class is seen to be
  // named, the others of that class are told so without a dynamic_cast each.
  const std::type_info* NamedClass = nullptr;
  for (TCollectionItem* Item : *this) {
    TGCollectionItem* Named;
    if (NamedClass != nullptr && IsExactClass(*Item, *NamedClass)) {
      Named = static_cast<TGCollectionItem*>(Item);
    } else {
      Named = dynamic_cast<TGCollectionItem*>(Item);
      if (Named != nullptr) NamedClass = &typeid(*Item);
    }
    if (Named != nullptr && Named->GetName() == Name) return Named;
  }
  return nullptr;
}

TGCollectionItem* TGCollection::Find(std::string_view Name) const {
  if (Name.empty() || !IndexesNames()) return FindByWalk(Name);
  if (!FNames) {
    // A few items are walked faster than an index is built (a variable's terms, mostly).
    if (GetCount() < kWalkedCount) return FindByWalk(Name);
    auto Names = std::make_unique<TNameIndex>();
    for (TCollectionItem* Item : *this)
      if (auto* Named = dynamic_cast<TGCollectionItem*>(Item)) Names->Add(Named, Named->GetName());
    FNames = std::move(Names);
  }
  const auto It = FNames->Items.find(Name);
  if (It == FNames->Items.end()) return nullptr;
  return It->second.size() == 1 ? It->second.front() : FindByWalk(Name);
}

std::int32_t TGCollection::IndexOf(std::string_view Name) const {
  const TGCollectionItem* Item = Find(Name);
  return Item == nullptr ? -1 : IndexOfItem(Item);
}

void TGCollection::NoteNamed(TCollectionItem* Item, TCollectionNotification Action) noexcept {
  auto* Named = dynamic_cast<TGCollectionItem*>(Item);
  if (Named == nullptr) return;
  try {
    if (Action == cnAdded) {
      FNames->Add(Named, Named->GetName());
    } else if (Action == cnExtracting && !FNames->Remove(Named, Named->GetName())) {
      // The item no longer says the name it was indexed by (it leaves from a base destructor):
      // the index goes, and the next lookup builds it anew.
      FNames.reset();
    }
  } catch (...) {
    FNames.reset();
  }
}

void TGCollection::NameChanged(TGCollectionItem* Item, std::string_view OldName) noexcept {
  if (!FNames) return;
  try {
    if (!FNames->Remove(Item, OldName)) {
      FNames.reset();
      return;
    }
    FNames->Add(Item, Item->GetName());
  } catch (...) {
    FNames.reset();
  }
}

}  // namespace tarnwick
