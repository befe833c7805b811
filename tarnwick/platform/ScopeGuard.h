// The two guards every "on every way out" in the library is written with: TScopeExit runs an
// action when its scope ends, TRestoreValue puts a variable back to the value it had.
#ifndef TARNWICK_PLATFORM_SCOPEGUARD_H_
#define TARNWICK_PLATFORM_SCOPEGUARD_H_

#include <exception>
#include <type_traits>
#include <utility>

#if defined(__GLIBCXX__) && defined(__ELF__)
#include <cxxabi.h>

#include <cstring>
#endif

namespace tarnwick {

namespace detail {

// The number of exceptions this thread has in flight: std::uncaught_exceptions(). Every scope
// guard asks it once, and the library's busiest paths (a set built point by point, a rule
// fired) pass through a score of guards; the standard call goes into the C++ runtime and through
// a dynamic thread-local lookup every time. The runtime keeps the count in a per-thread record
// whose layout the Itanium C++ ABI fixes (the list of caught exceptions, then this count), so
// with libstdc++ each thread looks its record up once and reads the count from it after that.
// Hidden: every library (and program) keeps its own per-thread address, read in the
// initial-exec model.
#if defined(__GLIBCXX__) && defined(__ELF__)
[[gnu::visibility("hidden")]] inline int UncaughtExceptions() noexcept {
  [[gnu::tls_model("initial-exec")]] static thread_local const char* Record = nullptr;
  if (Record == nullptr) Record = reinterpret_cast<const char*>(abi::__cxa_get_globals());
  unsigned int Count;
  std::memcpy(&Count, Record + sizeof(void*), sizeof Count);
  return static_cast<int>(Count);
}
#else
inline int UncaughtExceptions() noexcept { return std::uncaught_exceptions(); }
#endif

}  // namespace detail

// Runs Action when the scope ends, however it ends. An error of the action reaches the caller,
// unless another exception is already unwinding the scope: then it is dropped, so that the first
// error wins (two exceptions in flight would end the program).
//
//   TScopeExit Finish([&] { R->SetExpression(Expression); });
template <typename TAction>
class TScopeExit {
 public:
  explicit TScopeExit(TAction Action) noexcept(std::is_nothrow_move_constructible_v<TAction>)
      : FAction(std::move(Action)), FUncaught(detail::UncaughtExceptions()) {}
  ~TScopeExit() noexcept(false) {
    // Whether another exception is unwinding is asked only once the action has raised: inside
    // the handler the action's own exception no longer counts, so the count is the one the
    // scope ends with, and the usual way out costs no second query.
    try {
      FAction();  // may raise
    } catch (...) {
      if (detail::UncaughtExceptions() == FUncaught) throw;
    }
  }
  TScopeExit(const TScopeExit&) = delete;
  TScopeExit& operator=(const TScopeExit&) = delete;

 private:
  TAction FAction;
  int FUncaught;
};

// Gives Variable a value for the length of a scope and its present value back at the end,
// however the scope ends. Putting a value back cannot fail.
//
//   TRestoreValue Copying(FCopying, true);
template <typename T>
class TRestoreValue {
  static_assert(std::is_nothrow_move_assignable_v<T>, "restoring must not raise");

 public:
  TRestoreValue(T& Variable, std::type_identity_t<T> Value) noexcept(std::is_nothrow_move_constructible_v<T>)
      : FVariable(Variable), FSaved(std::exchange(Variable, std::move(Value))) {}
  ~TRestoreValue() { FVariable = std::move(FSaved); }
  TRestoreValue(const TRestoreValue&) = delete;
  TRestoreValue& operator=(const TRestoreValue&) = delete;

 private:
  T& FVariable;
  T FSaved;
};

}  // namespace tarnwick

#endif  // TARNWICK_PLATFORM_SCOPEGUARD_H_
