// The guards every "on every way out" in the library is written with: TScopeExit runs an action
// when its scope ends (TryFinally when the scope is one call), TRestoreValue puts a variable back
// to the value it had.
#ifndef TARNWICK_PLATFORM_SCOPEGUARD_H_
#define TARNWICK_PLATFORM_SCOPEGUARD_H_

#include <exception>
#include <type_traits>
#include <utility>

namespace tarnwick {

// Runs Action when the scope ends, however it ends. An error of the action reaches the caller,
// unless another exception is already unwinding the scope: then it is dropped, so that the first
// error wins (two exceptions in flight would end the program).
//
//   TScopeExit Finish([&] { R->SetExpression(Expression); });
//
// Telling the two apart takes the number of exceptions in flight when the scope begins, which
// costs a call into the C++ runtime. An action declared noexcept cannot raise, so its guard asks
// nothing: mark every action that cannot raise noexcept.
template <typename TAction>
class TScopeExit {
  static constexpr bool kMayRaise = !std::is_nothrow_invocable_v<TAction&>;

 public:
  explicit TScopeExit(TAction Action) noexcept(std::is_nothrow_move_constructible_v<TAction>)
      : FAction(std::move(Action)), FUncaught(kMayRaise ? std::uncaught_exceptions() : 0) {}
  ~TScopeExit() noexcept(!kMayRaise) {
    if constexpr (kMayRaise) {
      // Whether another exception is unwinding is asked only once the action has raised: inside
      // the handler the action's own exception no longer counts, so the count is the one the
      // scope ends with.
      try {
        FAction();
      } catch (...) {
        if (std::uncaught_exceptions() == FUncaught) throw;
      }
    } else {
      FAction();
    }
  }
  TScopeExit(const TScopeExit&) = delete;
  TScopeExit& operator=(const TScopeExit&) = delete;

 private:
  TAction FAction;
  int FUncaught;
};

// Body, then Finally, however Body ends: a TScopeExit whose scope is one call. An error of
// Finally reaches the caller unless Body raised (then Body's error goes on); knowing which way
// Body ended, this form asks the runtime for no count of the exceptions in flight, so the paths
// that run per rule and per point take it.
template <typename TBody, typename TFinally>
void TryFinally(TBody&& Body, TFinally&& Finally) {
  try {
    Body();
  } catch (...) {
    try {
      Finally();
    } catch (...) {  // NOLINT(bugprone-empty-catch): the first error wins
    }
    throw;
  }
  Finally();
}

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
