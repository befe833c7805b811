// TImmortal<T>: the objects the library keeps until the process ends.
#ifndef TARNWICK_PLATFORM_DETAIL_IMMORTAL_H_
#define TARNWICK_PLATFORM_DETAIL_IMMORTAL_H_

#include <new>
#include <type_traits>
#include <utility>

namespace tarnwick::detail {

// A T built in place and never destroyed. What the library keeps for its whole life (the
// encodings, the registry of stream classes, the replaced message texts, the vocabulary's
// strings) must outlive every static object of a host: a host may use the library from the
// destructor of a static object it built before the library's first use, and that destructor
// runs after those of the static objects the library built later, at that first use. A
// TImmortal has nothing to destroy, so no destructor is registered for it; whatever its T holds
// stays reachable from it, so no leak checker reports it.
//
//   static TImmortal<TRegistry> Instance;   // built at the first call, like any local static
//   return Instance.Get();
template <typename T>
class TImmortal {
 public:
  template <typename... TArgs>
  explicit TImmortal(TArgs&&... Args) noexcept(std::is_nothrow_constructible_v<T, TArgs...>) {
    ::new (static_cast<void*>(FStorage)) T(std::forward<TArgs>(Args)...);
  }
  TImmortal(const TImmortal&) = delete;
  TImmortal& operator=(const TImmortal&) = delete;

  T& Get() noexcept { return *std::launder(reinterpret_cast<T*>(FStorage)); }
  const T& Get() const noexcept { return *std::launder(reinterpret_cast<const T*>(FStorage)); }

 private:
  alignas(T) unsigned char FStorage[sizeof(T)];
};

}  // namespace tarnwick::detail

#endif  // TARNWICK_PLATFORM_DETAIL_IMMORTAL_H_
