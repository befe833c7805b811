// The persistent interface list.
#include "tarnwick/common/InterfaceList.h"

#include <utility>

#include "tarnwick/platform/ResStrings.h"

namespace tarnwick {

TInterfaceListPersistent::TInterfaceListPersistent() noexcept = default;

TInterfaceListPersistent::~TInterfaceListPersistent() { Clear(); }

void TInterfaceListPersistent::CheckIndex(Integer Index) const {
  if (Index < 0 || Index >= GetCount()) RaiseListError(SListIndexError, Index);
}

IInterface* TInterfaceListPersistent::Get(Integer Index) const {
  CheckIndex(Index);
  return FItems[static_cast<std::size_t>(Index)].get();
}

void TInterfaceListPersistent::Put(Integer Index, IInterface* Item) {
  CheckIndex(Index);
  Intf<IInterface> Old(Item);  // the new reference is taken before the old one goes
  FItems[static_cast<std::size_t>(Index)].swap(Old);
}

Integer TInterfaceListPersistent::Add(IInterface* Item) {
  FItems.emplace_back(Item);
  return GetCount() - 1;
}

void TInterfaceListPersistent::Insert(Integer Index, IInterface* Item) {
  if (Index < 0 || Index > GetCount()) RaiseListError(SListIndexError, Index);
  FItems.emplace(FItems.begin() + Index, Item);
}

void TInterfaceListPersistent::Delete(Integer Index) {
  CheckIndex(Index);
  Intf<IInterface> Old = std::move(FItems[static_cast<std::size_t>(Index)]);
  FItems.erase(FItems.begin() + Index);
}

void TInterfaceListPersistent::Clear() {
  std::vector<Intf<IInterface>> Old;
  Old.swap(FItems);
}

void TInterfaceListPersistent::Exchange(Integer Index1, Integer Index2) {
  CheckIndex(Index1);
  CheckIndex(Index2);
  FItems[static_cast<std::size_t>(Index1)].swap(FItems[static_cast<std::size_t>(Index2)]);
}

Integer TInterfaceListPersistent::IndexOf(IInterface* Item) const noexcept {
  for (std::size_t I = 0; I < FItems.size(); ++I) {
    if (FItems[I].get() == Item) return static_cast<Integer>(I);
  }
  return -1;
}

Integer TInterfaceListPersistent::Remove(IInterface* Item) {
  const Integer Index = IndexOf(Item);
  if (Index >= 0) Delete(Index);
  return Index;
}

IInterface* TInterfaceListPersistent::First() const noexcept {
  return FItems.empty() ? nullptr : FItems.front().get();
}

IInterface* TInterfaceListPersistent::Last() const noexcept {
  return FItems.empty() ? nullptr : FItems.back().get();
}

void TInterfaceListPersistent::Assign(const TPersistent* Source) {
  if (const auto* List = dynamic_cast<const TInterfaceListPersistent*>(Source)) {
    if (List == this) return;
    std::vector<Intf<IInterface>> Items = List->FItems;  // counted before the old ones go
    Items.swap(FItems);
    return;
  }
  TPersistent::Assign(Source);
}

}  // namespace tarnwick
