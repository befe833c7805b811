// The compiled half of the interface support: the weak block, the mixins' out-of-line members
// and the query helpers.
#include "tarnwick/platform/Interfaces.h"

#include "tarnwick/platform/Exceptions.h"
#include "tarnwick/platform/ResStrings.h"

namespace tarnwick {
namespace detail {

void TWeakBlock::Release() noexcept {
  if (FRefs.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
}

void TWeakBlock::TargetDied() noexcept {
  FAlive.store(false, std::memory_order_release);
  Release();
}

namespace {

// Stands in FWeakBlock of an object that has started dying: never handed out, never freed.
TWeakBlock* DeadBlock() noexcept {
  static TWeakBlock Sentinel;
  return &Sentinel;
}

}  // namespace

void RaiseIntfCastError() { throw EIntfCastError(LoadResString(SIntfCastError)); }

bool HasInterface(IInterface* Instance, const TGUID& IID) noexcept {
  if (Instance == nullptr) return false;
  if (auto* Base = dynamic_cast<TInterfaceBase*>(Instance)) return Base->FindInterface(IID) != nullptr;
  // A foreign implementation can only be asked with counting. Out points at the interface IID
  // names, whatever that is, so the reference goes back through Instance: counts are per object.
  void* Out = nullptr;
  if (Instance->QueryInterface(IID, &Out) != S_OK || Out == nullptr) return false;
  Instance->Release();
  return true;
}

TWeakBlock* AcquireWeakBlock(IInterface* Instance) {
  auto* Base = dynamic_cast<TInterfaceBase*>(Instance);
  if (Base == nullptr) RaiseIntfCastError();
  return Base->AcquireWeakBlock();
}

}  // namespace detail

// ---------------------------------------------------------------------------------------------
// TInterfaceBase

TInterfaceBase::~TInterfaceBase() { ClearWeakReferences(); }

HRESULT TInterfaceBase::QueryInterface(const TGUID& IID, void** Obj) noexcept {
  if (Obj == nullptr) return E_NOINTERFACE;
  void* Found = GetInterface(IID);
  *Obj = Found;
  if (Found == nullptr) return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

void* TInterfaceBase::GetInterface(const TGUID& IID) noexcept {
  return IID == IInterface::IID ? static_cast<IInterface*>(this) : nullptr;
}

detail::TWeakBlock* TInterfaceBase::AcquireWeakBlock() {
  if (FWeakBlock == detail::DeadBlock()) return nullptr;
  if (FWeakBlock == nullptr) FWeakBlock = new detail::TWeakBlock;  // the object's reference
  FWeakBlock->AddRef();                                             // the caller's
  return FWeakBlock;
}

void TInterfaceBase::ClearWeakReferences() noexcept {
  detail::TWeakBlock* Block = std::exchange(FWeakBlock, detail::DeadBlock());
  if (Block != nullptr && Block != detail::DeadBlock()) Block->TargetDied();
}

// ---------------------------------------------------------------------------------------------
// The mixins

std::int32_t TInterfacedMixin::Release() noexcept {
  std::int32_t Count;
  if (FRefCount.load(std::memory_order_acquire) == 1) {
    // The only reference: no other thread holds one that could change the count meanwhile.
    FRefCount.store(0, std::memory_order_relaxed);
    Count = 0;
  } else {
    Count = FRefCount.fetch_sub(1, std::memory_order_acq_rel) - 1;
  }
  if (Count == 0) {
    // Weak pointers empty before any destructor runs, so none can lock a half-destroyed object.
    ClearWeakReferences();
    delete this;
  }
  return Count;
}

TInterfacedMixin::~TInterfacedMixin() = default;

TUncountedInterface::~TUncountedInterface() = default;

TInterfacedObject::~TInterfacedObject() = default;

// ---------------------------------------------------------------------------------------------
// Supports

bool Supports(IInterface* Instance, const TGUID& IID, void** Out) noexcept {
  if (Out == nullptr) return detail::HasInterface(Instance, IID);
  void* Found = nullptr;
  const bool Result =
      Instance != nullptr && Instance->QueryInterface(IID, &Found) == S_OK && Found != nullptr;
  *Out = Result ? Found : nullptr;
  return Result;
}

bool Supports(IInterface* Instance, const TGUID& IID) noexcept {
  return detail::HasInterface(Instance, IID);
}

}  // namespace tarnwick
