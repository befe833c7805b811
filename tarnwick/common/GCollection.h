// The owned collection with lookup by name, base of the point list and of the set and variable
// collections, and its item.
#ifndef TARNWICK_COMMON_GCOLLECTION_H_
#define TARNWICK_COMMON_GCOLLECTION_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "tarnwick/platform/Classes.h"
#include "tarnwick/platform/Export.h"

namespace tarnwick {

class TGCollection;

class TARNWICK_COMMON_EXPORT TGCollectionItem : public TCollectionItem {
 public:
  using TCollectionItem::TCollectionItem;
  ~TGCollectionItem() override;

  // The name by which the collection finds the item; none by default. A descendant that
  // returns a name of its own changes it only through StoreNameField.
  virtual const std::string& GetName() const;

 protected:
  // Field := Value, where Field is what GetName returns; the collection's index of names, if it
  // keeps one, follows.
  void StoreNameField(std::string& Field, const std::string& Value);
  // The same, taking Value's text over.
  void StoreNameField(std::string& Field, std::string&& Value);
  // The item's collection as a TGCollection, or nullptr when it belongs to another class of
  // collection or to none. A descendant that tells its usual collection's class without a search
  // of the class hierarchy (names change with every set operation) answers here.
  virtual TGCollection* GetNamingCollection() const;

 private:
  TGCollection* NameIndexHolder() const;
};

class TARNWICK_COMMON_EXPORT TGCollection : public TOwnedCollection {
 public:
  TGCollection(TPersistent* Owner, TCollectionItemClass ItemClass);
  ~TGCollection() override;

  // The position of the first item whose name equals Name exactly (case-sensitive), or -1.
  std::int32_t IndexOf(std::string_view Name) const;
  // That item, or nullptr.
  TGCollectionItem* Find(std::string_view Name) const;

 protected:
  // True for a collection whose items all change their names through StoreNameField: it keeps
  // an index of its items by name from the first lookup made while it holds kWalkedCount items
  // or more, so that a lookup takes about constant time. Without one (the default) every lookup
  // walks the items.
  virtual bool IndexesNames() const { return false; }

  void Notify(TCollectionItem* Item, TCollectionNotification Action) override {
    if (FNames) NoteNamed(Item, Action);
  }

 private:
  friend class TGCollectionItem;
  struct TNameIndex;
  static constexpr std::int32_t kWalkedCount = 8;

  TGCollectionItem* FindByWalk(std::string_view Name) const;
  void NoteNamed(TCollectionItem* Item, TCollectionNotification Action) noexcept;
  void NameChanged(TGCollectionItem* Item, std::string_view OldName) noexcept;

  // The items with a name other than the empty one, by name; built at the first lookup and
  // dropped (to be built anew) whenever keeping it in step fails.
  mutable std::unique_ptr<TNameIndex> FNames;
};

}  // namespace tarnwick

#endif  // TARNWICK_COMMON_GCOLLECTION_H_
