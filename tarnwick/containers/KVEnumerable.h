// TKVEnumerable<T>: the persistent base of every container that can be enumerated and turned
// into an array.
#ifndef TARNWICK_CONTAINERS_KVENUMERABLE_H_
#define TARNWICK_CONTAINERS_KVENUMERABLE_H_

#include <cstddef>
#include <memory>

#include "tarnwick/platform/Classes.h"
#include "tarnwick/platform/Generics.h"
#include "tarnwick/platform/Types.h"

namespace tarnwick::collections {

template <typename T>
class TKVEnumerable : public TPersistent {
 public:
  // A new enumerator; the caller owns it.
  std::unique_ptr<TEnumerator<T>> GetEnumerator() const { return DoGetEnumerator(); }

  // Every element in enumeration order. The buffer starts at 10 elements and doubles whenever
  // it is full after a store, and is cut to the number stored at the end.
  virtual TArray<T> ToArray() const {
    TArray<T> Result(10);
    std::size_t Stored = 0;
    auto Enumerator = DoGetEnumerator();
    while (Enumerator->MoveNext()) {
      Result[Stored] = Enumerator->GetCurrent();
      ++Stored;
      if (Stored == Result.size()) Result.resize(Result.size() * 2);
    }
    Result.resize(Stored);
    return Result;
  }

 protected:
  virtual std::unique_ptr<TEnumerator<T>> DoGetEnumerator() const = 0;

  // Exactly Count elements, filled in enumeration order; Count is the caller's exact element
  // count. Should the enumeration yield fewer, the rest stay empty; more are not read.
  TArray<T> ToArrayImpl(Integer Count) const {
    TArray<T> Result(Count > 0 ? static_cast<std::size_t>(Count) : 0);
    auto Enumerator = DoGetEnumerator();
    for (std::size_t I = 0; I < Result.size() && Enumerator->MoveNext(); ++I)
      Result[I] = Enumerator->GetCurrent();
    return Result;
  }
};

}  // namespace tarnwick::collections

#endif  // TARNWICK_CONTAINERS_KVENUMERABLE_H_
