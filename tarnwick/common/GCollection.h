// The owned collection with lookup by name, base of the point list and of the set and variable
// collections, and its item.
#ifndef TARNWICK_COMMON_GCOLLECTION_H_
#define TARNWICK_COMMON_GCOLLECTION_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "tarnwick/platform/Classes.h"
#include "tarnwick/platform/Export.h"

namespace tarnwick {

class TARNWICK_COMMON_EXPORT TGCollectionItem : public TCollectionItem {
 public:
  using TCollectionItem::TCollectionItem;
  ~TGCollectionItem() override;

  // The name by which the collection finds the item; none by default.
  virtual const std::string& GetName() const;
};

class TARNWICK_COMMON_EXPORT TGCollection : public TOwnedCollection {
 public:
  using TOwnedCollection::TOwnedCollection;
  ~TGCollection() override;

  // The position of the first item whose name equals Name exactly (case-sensitive), or -1.
  std::int32_t IndexOf(std::string_view Name) const;
  // That item, or nullptr.
  TGCollectionItem* Find(std::string_view Name) const;
};

}  // namespace tarnwick

#endif  // TARNWICK_COMMON_GCOLLECTION_H_
