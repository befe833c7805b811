// The owned collection's lookup of an item by its name, and the out-of-line destructors that
// anchor the collection's and its item's vtables in the library.
#include "tarnwick/common/GCollection.h"

namespace tarnwick {

TGCollectionItem::~TGCollectionItem() = default;

const std::string& TGCollectionItem::GetName() const {
  static const std::string Empty;
  return Empty;
}

TGCollection::~TGCollection() = default;

std::int32_t TGCollection::IndexOf(std::string_view Name) const {
  std::int32_t Index = 0;
  for (TCollectionItem* Item : *this) {
    const auto* Named = dynamic_cast<const TGCollectionItem*>(Item);
    if (Named != nullptr && Named->GetName() == Name) return Index;
    ++Index;
  }
  return -1;
}

TGCollectionItem* TGCollection::Find(std::string_view Name) const {
  const std::int32_t Index = IndexOf(Name);
  return Index < 0 ? nullptr : static_cast<TGCollectionItem*>(GetItem(Index));
}

}  // namespace tarnwick
