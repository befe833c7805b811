// Interfaces with identifiers and reference counting: IInterface, the mixins that implement it
// (counted, or uncounted for components), TInterfacedObject, the counted pointer Intf<T>, the
// query helpers Supports / QueryIntf / AsIntf, and the weak pointer WeakIntf<T>.
//
// How a class implements interfaces:
//
//   class IBase : public virtual IInterface {          // interface bases are always virtual
//    public:
//     static constexpr TGUID IID = MakeGUID("{...}");
//     virtual int Foo() = 0;
//    protected:
//     ~IBase() = default;
//   };
//   class IDerived : public virtual IBase { ... };
//
//   class TImpl : public TInterfacedObject, public virtual IDerived {
//    protected:
//     void* GetInterface(const TGUID& IID) noexcept override {
//       if (void* P = GetInterfaceOf<IDerived, IBase>(this, IID)) return P;
//       return TInterfacedObject::GetInterface(IID);  // IInterface and what the base answers
//     }
//   };
//
// A class whose TObject base comes from elsewhere mixes the implementation in beside it:
// `class TIFuzzySet : public TFuzzySet, public TInterfacedMixin, public virtual IFuzzySet`.
// TUncountedInterface does the same for objects that something else owns (components).
//
// Counting: a counted object starts at 0 and is deleted by the Release that brings it back to
// 0; whoever creates one takes an Intf at once. Counts change atomically; everything else
// (weak pointers included) serves one thread at a time per object tree.
//
// Weak pointers: every object built on TInterfaceBase can be the target of a WeakIntf. The
// object holds one pointer to a small shared block, allocated with the first weak pointer;
// the object marks the block dead as it starts to die (the last Release, the start of a
// component's destructor, at the latest its TInterfaceBase destructor), and every WeakIntf
// then locks to empty. The block itself lives until its last user goes.
#ifndef TARNWICK_PLATFORM_INTERFACES_H_
#define TARNWICK_PLATFORM_INTERFACES_H_

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <utility>

#include "tarnwick/platform/Classes.h"
#include "tarnwick/platform/Export.h"
#include "tarnwick/platform/Types.h"

namespace tarnwick {

using HRESULT = std::int32_t;
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);

class TARNWICK_PLATFORM_EXPORT IInterface {
 public:
  static constexpr TGUID IID = MakeGUID("{00000000-0000-0000-C000-000000000046}");

  // S_OK and a counted reference in *Obj when the object implements the interface IID names;
  // E_NOINTERFACE and nullptr otherwise.
  virtual HRESULT QueryInterface(const TGUID& IID, void** Obj) noexcept = 0;
  // The new count; -1 for objects that do not count.
  virtual std::int32_t AddRef() noexcept = 0;
  virtual std::int32_t Release() noexcept = 0;

 protected:
  ~IInterface() = default;  // never deleted through an interface
};

namespace detail {

// The block shared by an object and its weak pointers. One reference belongs to the object
// while it lives, one to each WeakIntf.
class TARNWICK_PLATFORM_EXPORT TWeakBlock {
 public:
  TWeakBlock() noexcept = default;
  TWeakBlock(const TWeakBlock&) = delete;
  TWeakBlock& operator=(const TWeakBlock&) = delete;

  void AddRef() noexcept { FRefs.fetch_add(1, std::memory_order_relaxed); }
  void Release() noexcept;
  bool IsAlive() const noexcept { return FAlive.load(std::memory_order_acquire); }
  // The target is dying: from now on IsAlive is false; drops the target's reference.
  void TargetDied() noexcept;

 private:
  std::atomic<std::int32_t> FRefs{1};
  std::atomic<bool> FAlive{true};
};

}  // namespace detail

// Answers IID with the first of the interfaces Is... that it names, as Obj sees it: the body
// of a GetInterface override. Each interface is listed, base interfaces included.
template <typename... Is, typename Self>
void* GetInterfaceOf(Self* Obj, const TGUID& IID) noexcept {
  void* Result = nullptr;
  (void)((IID == Is::IID ? (Result = static_cast<Is*>(Obj), true) : false) || ...);
  return Result;
}

// What every implementation of IInterface here shares: QueryInterface through the overridable
// GetInterface, and the weak pointer block. AddRef and Release come from the two mixins below.
class TARNWICK_PLATFORM_EXPORT TInterfaceBase : public virtual IInterface {
 public:
  TInterfaceBase(const TInterfaceBase&) = delete;
  TInterfaceBase& operator=(const TInterfaceBase&) = delete;

  HRESULT QueryInterface(const TGUID& IID, void** Obj) noexcept override;

  // The interface IID names, without counting, or nullptr.
  void* FindInterface(const TGUID& IID) noexcept { return GetInterface(IID); }

  // The weak pointer block with a new reference for the caller, allocated on first use;
  // nullptr once the object has started dying.
  detail::TWeakBlock* AcquireWeakBlock();
  // False while no weak pointer to the object was ever made and it has not started dying.
  bool HasWeakReferences() const noexcept { return FWeakBlock != nullptr; }

 protected:
  TInterfaceBase() noexcept = default;
  virtual ~TInterfaceBase();

  // The interface IID names, as a pointer to that interface converted to void*, or nullptr.
  // Descendants answer their own interfaces and pass everything else to their base; the
  // base answers IInterface.
  virtual void* GetInterface(const TGUID& IID) noexcept;

  // Empties every weak pointer to this object and refuses new ones. Idempotent.
  void ClearWeakReferences() noexcept;

 private:
  // Null until the first weak pointer; a shared dead sentinel once the object started dying.
  detail::TWeakBlock* FWeakBlock = nullptr;
};

template <typename T>
class Intf;
class TInterfacedMixin;
template <typename I, typename T>
Intf<I> FirstIntf(T* Object) noexcept;

// A counted implementation of IInterface: the count starts at 0 and the Release that brings it
// back to 0 empties the weak pointers and deletes the object.
//
// An atomic change of the count is costly, and most objects are counted by one holder only
// for all their life. Two changes need none: the first reference to an object just made
// (FirstIntf), which no other thread can see yet, and the release of the only reference,
// which no other thread can hold a reference beside (a count of 1 read with acquire order, so
// that the other threads' earlier releases have been seen). Every other change is atomic.
class TARNWICK_PLATFORM_EXPORT TInterfacedMixin : public TInterfaceBase {
 public:
  std::int32_t AddRef() noexcept override {
    return FRefCount.fetch_add(1, std::memory_order_relaxed) + 1;
  }
  std::int32_t Release() noexcept override;
  std::int32_t GetRefCount() const noexcept { return FRefCount.load(std::memory_order_relaxed); }

 protected:
  TInterfacedMixin() noexcept = default;
  ~TInterfacedMixin() override;

 private:
  template <typename I, typename T>
  friend Intf<I> FirstIntf(T* Object) noexcept;

  std::atomic<std::int32_t> FRefCount{0};
};

// An implementation of IInterface that counts nothing (AddRef and Release return -1): for
// objects whose owner decides their life, so that no interface reference keeps one alive.
class TARNWICK_PLATFORM_EXPORT TUncountedInterface : public TInterfaceBase {
 public:
  std::int32_t AddRef() noexcept override { return -1; }
  std::int32_t Release() noexcept override { return -1; }

 protected:
  TUncountedInterface() noexcept = default;
  ~TUncountedInterface() override;
};

// The plain counted object.
class TARNWICK_PLATFORM_EXPORT TInterfacedObject : public TObject, public TInterfacedMixin {
 public:
  TInterfacedObject() noexcept = default;
  ~TInterfacedObject() override;
};

// A counted reference. Copying adds a reference, destruction releases it; construction from a
// raw pointer takes a new reference (use adopt for one that QueryInterface already counted).
template <typename T>
class Intf {
 public:
  using element_type = T;

  constexpr Intf() noexcept = default;
  constexpr Intf(std::nullptr_t) noexcept {}
  Intf(T* P) noexcept : FPtr(P) {
    if (FPtr != nullptr) FPtr->AddRef();
  }
  Intf(const Intf& Other) noexcept : Intf(Other.FPtr) {}
  Intf(Intf&& Other) noexcept : FPtr(Other.detach()) {}
  template <typename U>
    requires std::is_convertible_v<U*, T*>
  Intf(const Intf<U>& Other) noexcept : Intf(static_cast<T*>(Other.get())) {}
  template <typename U>
    requires std::is_convertible_v<U*, T*>
  Intf(Intf<U>&& Other) noexcept : FPtr(Other.detach()) {}

  ~Intf() {
    if (FPtr != nullptr) FPtr->Release();
  }

  // By value: the new reference is taken before the old one goes, so self-assignment and an
  // old target that holds the new one are both safe.
  Intf& operator=(Intf Other) noexcept {
    swap(Other);
    return *this;
  }

  // Wraps a reference that is already counted (the result of QueryInterface).
  static Intf adopt(T* P) noexcept {
    Intf Result;
    Result.FPtr = P;
    return Result;
  }
  // Gives up the reference without releasing it.
  T* detach() noexcept { return std::exchange(FPtr, nullptr); }

  void reset() noexcept { Intf().swap(*this); }
  void reset(T* P) noexcept { Intf(P).swap(*this); }
  void swap(Intf& Other) noexcept { std::swap(FPtr, Other.FPtr); }

  T* get() const noexcept { return FPtr; }
  T* operator->() const noexcept { return FPtr; }
  T& operator*() const noexcept { return *FPtr; }
  explicit operator bool() const noexcept { return FPtr != nullptr; }

  template <typename U>
  bool operator==(const Intf<U>& Other) const noexcept {
    return FPtr == Other.get();
  }
  template <typename U>
  bool operator==(U* Other) const noexcept {
    return FPtr == Other;
  }
  bool operator==(std::nullptr_t) const noexcept { return FPtr == nullptr; }

 private:
  T* FPtr = nullptr;
};

// The first reference to Object, a counted object just made that nothing else has seen yet
// (its count is 0): what Intf<I>(Object) gives, without an atomic change of the count.
template <typename I, typename T>
Intf<I> FirstIntf(T* Object) noexcept {
  static_assert(std::is_base_of_v<TInterfacedMixin, T>, "FirstIntf counts through TInterfacedMixin");
  static_cast<TInterfacedMixin*>(Object)->FRefCount.store(1, std::memory_order_relaxed);
  return Intf<I>::adopt(static_cast<I*>(Object));
}

namespace detail {

[[noreturn]] TARNWICK_PLATFORM_EXPORT void RaiseIntfCastError();

// The IInterface of an object given by any pointer: an interface or implementing class
// converts directly, any other polymorphic class (a TObject) is asked at run time.
template <typename S>
IInterface* ToIInterface(S* Instance) noexcept {
  using Plain = std::remove_cv_t<S>;
  Plain* P = const_cast<Plain*>(Instance);
  if constexpr (std::is_convertible_v<Plain*, IInterface*>) {
    return P;
  } else {
    static_assert(std::is_polymorphic_v<Plain>, "Supports needs an interface or a polymorphic class");
    return dynamic_cast<IInterface*>(P);
  }
}

// Tests for an interface without counting, where the implementation allows it.
TARNWICK_PLATFORM_EXPORT bool HasInterface(IInterface* Instance, const TGUID& IID) noexcept;

// The weak block of the object behind Instance, counted for the caller; nullptr when the
// object has started dying (the weak pointer is then empty at once). Raises EIntfCastError
// when the object cannot be weakly referenced at all.
TARNWICK_PLATFORM_EXPORT TWeakBlock* AcquireWeakBlock(IInterface* Instance);

}  // namespace detail

// True when Instance implements the interface IID names; *Out then holds a counted reference
// that the caller releases (or wraps with Intf<U>::adopt), else nullptr.
TARNWICK_PLATFORM_EXPORT bool Supports(IInterface* Instance, const TGUID& IID, void** Out) noexcept;
// True when Instance implements the interface; counts nothing for the objects built on
// TInterfaceBase, so asking never frees an object whose count is still 0.
TARNWICK_PLATFORM_EXPORT bool Supports(IInterface* Instance, const TGUID& IID) noexcept;

// The same for an object given by any interface or class pointer (a TObject included).
template <typename S>
bool Supports(S* Instance, const TGUID& IID, void** Out) noexcept {
  return Supports(detail::ToIInterface(Instance), IID, Out);
}
template <typename S>
bool Supports(S* Instance, const TGUID& IID) noexcept {
  return Supports(detail::ToIInterface(Instance), IID);
}
template <typename T>
bool Supports(const Intf<T>& Instance, const TGUID& IID, void** Out) noexcept {
  return Supports(detail::ToIInterface(Instance.get()), IID, Out);
}
template <typename T>
bool Supports(const Intf<T>& Instance, const TGUID& IID) noexcept {
  return Supports(detail::ToIInterface(Instance.get()), IID);
}

// The object's interface U, or an empty reference when it has none (or Instance is null).
template <typename U, typename S>
Intf<U> QueryIntf(S* Instance) noexcept {
  void* Out = nullptr;
  if (!Supports(detail::ToIInterface(Instance), U::IID, &Out)) return Intf<U>();
  return Intf<U>::adopt(static_cast<U*>(Out));
}
template <typename U, typename T>
Intf<U> QueryIntf(const Intf<T>& Instance) noexcept {
  return QueryIntf<U>(Instance.get());
}

// The object's interface U; raises EIntfCastError when it has none. A null Instance gives an
// empty reference, as a cast of nil does.
template <typename U, typename S>
Intf<U> AsIntf(S* Instance) {
  if (Instance == nullptr) return Intf<U>();
  Intf<U> Result = QueryIntf<U>(Instance);
  if (!Result) detail::RaiseIntfCastError();
  return Result;
}
template <typename U, typename T>
Intf<U> AsIntf(const Intf<T>& Instance) {
  return AsIntf<U>(Instance.get());
}

// A weak reference: it never counts, and it locks to empty once its target has died. Copies
// and moves share the target's block. Making one of an object that cannot be weakly
// referenced (not built on TInterfaceBase) raises EIntfCastError.
template <typename T>
class WeakIntf {
 public:
  constexpr WeakIntf() noexcept = default;
  constexpr WeakIntf(std::nullptr_t) noexcept {}
  WeakIntf(T* P) : FPtr(P), FBlock(P ? detail::AcquireWeakBlock(detail::ToIInterface(P)) : nullptr) {}
  WeakIntf(const Intf<T>& P) : WeakIntf(P.get()) {}
  template <typename U>
    requires std::is_convertible_v<U*, T*>
  WeakIntf(const Intf<U>& P) : WeakIntf(static_cast<T*>(P.get())) {}

  WeakIntf(const WeakIntf& Other) noexcept : FPtr(Other.FPtr), FBlock(Other.FBlock) {
    if (FBlock != nullptr) FBlock->AddRef();
  }
  WeakIntf(WeakIntf&& Other) noexcept
      : FPtr(std::exchange(Other.FPtr, nullptr)), FBlock(std::exchange(Other.FBlock, nullptr)) {}
  // Converting needs the live target (the conversion may read its layout), so a weak reference
  // whose target is dead converts to an empty one.
  template <typename U>
    requires std::is_convertible_v<U*, T*>
  WeakIntf(const WeakIntf<U>& Other) noexcept {
    Intf<U> Target = Other.lock();
    if (Target) {
      FPtr = static_cast<T*>(Target.get());
      FBlock = Other.FBlock;
      FBlock->AddRef();
    }
  }

  ~WeakIntf() {
    if (FBlock != nullptr) FBlock->Release();
  }

  WeakIntf& operator=(WeakIntf Other) noexcept {
    swap(Other);
    return *this;
  }

  // A counted reference to the target, or an empty one when there is none or it has died.
  Intf<T> lock() const noexcept {
    if (FBlock == nullptr || !FBlock->IsAlive()) return Intf<T>();
    return Intf<T>(FPtr);
  }
  // True when the reference is empty or its target has died.
  bool expired() const noexcept { return FBlock == nullptr || !FBlock->IsAlive(); }

  void reset() noexcept { WeakIntf().swap(*this); }
  void swap(WeakIntf& Other) noexcept {
    std::swap(FPtr, Other.FPtr);
    std::swap(FBlock, Other.FBlock);
  }

 private:
  template <typename U>
  friend class WeakIntf;

  T* FPtr = nullptr;                     // meaningful only while FBlock is alive
  detail::TWeakBlock* FBlock = nullptr;  // null for an empty reference
};

}  // namespace tarnwick

#endif  // TARNWICK_PLATFORM_INTERFACES_H_
