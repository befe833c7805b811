// The persistent interface list: a counted, assignable list of interface references, the
// storage under the token lists. Also FindIntf and FindIntfOrRaise, the uncounted interface
// lookups the lists use to hand out their items.
#ifndef TARNWICK_COMMON_INTERFACELIST_H_
#define TARNWICK_COMMON_INTERFACELIST_H_

#include <vector>

#include "tarnwick/platform/Classes.h"
#include "tarnwick/platform/Export.h"
#include "tarnwick/platform/Interfaces.h"
#include "tarnwick/platform/Types.h"

namespace tarnwick {

// Instance's interface T, or nullptr (also for a null Instance), without keeping a reference:
// the pointer stays valid while someone else holds the object. Objects built on TInterfaceBase
// are asked without counting, so asking never frees one whose count is still 0.
template <typename T>
T* FindIntf(IInterface* Instance) noexcept {
  if (Instance == nullptr) return nullptr;
  if (auto* Base = dynamic_cast<TInterfaceBase*>(Instance)) {
    return static_cast<T*>(Base->FindInterface(T::IID));
  }
  void* Out = nullptr;
  if (Instance->QueryInterface(T::IID, &Out) != S_OK || Out == nullptr) return nullptr;
  Instance->Release();  // the query's reference; counts are per object
  return static_cast<T*>(Out);
}

// FindIntf for an item that must have interface T: nullptr for a null Instance, EIntfCastError
// for one without T.
template <typename T>
T* FindIntfOrRaise(IInterface* Instance) {
  if (Instance == nullptr) return nullptr;
  T* Result = FindIntf<T>(Instance);
  if (Result == nullptr) detail::RaiseIntfCastError();
  return Result;
}

// Holds a counted reference to each item, in order; nil items are allowed. The list is itself
// counted (it starts at 0 and dies with its last reference) and answers only IInterface.
// Items are compared by identity. Index errors raise EListError with SListIndexError. Every
// item a change drops is released after the list is consistent again, so a dying item may
// look at the list.
class TARNWICK_COMMON_EXPORT TInterfaceListPersistent : public TPersistent, public TInterfacedMixin {
 public:
  TInterfaceListPersistent() noexcept;
  ~TInterfaceListPersistent() override;

  Integer GetCount() const noexcept { return static_cast<Integer>(FItems.size()); }
  // The item at Index, which the list keeps counted.
  IInterface* Get(Integer Index) const;
  void Put(Integer Index, IInterface* Item);
  // The index of the new last item.
  Integer Add(IInterface* Item);
  // Index may be the count.
  void Insert(Integer Index, IInterface* Item);
  void Delete(Integer Index);
  void Clear();
  void Exchange(Integer Index1, Integer Index2);
  // The first index holding Item, or -1.
  Integer IndexOf(IInterface* Item) const noexcept;
  // Removes the first occurrence of Item; its former index, or -1.
  Integer Remove(IInterface* Item);
  // The first (last) item; nil for an empty list.
  IInterface* First() const noexcept;
  IInterface* Last() const noexcept;

  // From another interface list: the same items (references, not copies) in the same order.
  void Assign(const TPersistent* Source) override;

 private:
  void CheckIndex(Integer Index) const;

  std::vector<Intf<IInterface>> FItems;
};

}  // namespace tarnwick

#endif  // TARNWICK_COMMON_INTERFACELIST_H_
