// The platform's generic collection vocabulary: enumerators and enumerables, the key/value pair,
// dynamic arrays, the collection notify event, and equality comparers with the default
// comparer of every key type the containers use.
//
// The default comparers are deterministic: a string hashes with 32-bit FNV-1a over its UTF-8
// bytes, a number with FNV-1a over its value's bytes in little-endian order, so the slot order
// of a hash table is the same in every run and on every machine. Only pointers and interface
// references hash by address (there is nothing else to hash); tables keyed by them have a slot
// order that may differ between runs.
#ifndef TARNWICK_PLATFORM_GENERICS_H_
#define TARNWICK_PLATFORM_GENERICS_H_

#include <concepts>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "tarnwick/platform/Classes.h"
#include "tarnwick/platform/Export.h"
#include "tarnwick/platform/Interfaces.h"
#include "tarnwick/platform/Types.h"

namespace tarnwick {

// A dynamic array.
template <typename T>
using TArray = std::vector<T>;

// One key with its value.
template <typename TKey, typename TValue>
struct TPair {
  TKey Key{};
  TValue Value{};

  TPair() = default;
  TPair(TKey AKey, TValue AValue) : Key(std::move(AKey)), Value(std::move(AValue)) {}

  friend bool operator==(const TPair& A, const TPair& B) = default;
};

// Called with every item a generic collection adds, removes or extracts.
template <typename T>
using TCollectionNotifyEvent =
    std::function<void(TObject* Sender, const T& Item, TCollectionNotification Action)>;

// Walks a sequence: MoveNext before the first element and between elements, GetCurrent for the
// element it stopped at. Descendants implement the two Do... entries and may hide GetCurrent
// and MoveNext with faster non-virtual versions of their own.
template <typename T>
class TEnumerator : public TObject {
 public:
  T GetCurrent() { return DoGetCurrent(); }
  bool MoveNext() { return DoMoveNext(); }

 protected:
  virtual T DoGetCurrent() = 0;
  virtual bool DoMoveNext() = 0;
};

// Anything that hands out enumerators of T. The caller owns each enumerator.
template <typename T>
class TEnumerable : public TObject {
 public:
  std::unique_ptr<TEnumerator<T>> GetEnumerator() const { return DoGetEnumerator(); }

  TArray<T> ToArray() const {
    TArray<T> Result;
    auto Enumerator = GetEnumerator();
    while (Enumerator->MoveNext()) Result.push_back(Enumerator->GetCurrent());
    return Result;
  }

 protected:
  virtual std::unique_ptr<TEnumerator<T>> DoGetEnumerator() const = 0;
};

// A sequence held in a vector: the simplest TEnumerable, for handing pairs or values to the
// collection constructors of the containers.
template <typename T>
class TArrayEnumerable : public TEnumerable<T> {
 public:
  TArrayEnumerable() = default;
  explicit TArrayEnumerable(TArray<T> Items) : FItems(std::move(Items)) {}

  TArray<T>& Items() noexcept { return FItems; }
  const TArray<T>& Items() const noexcept { return FItems; }

 protected:
  std::unique_ptr<TEnumerator<T>> DoGetEnumerator() const override {
    return std::make_unique<TArrayEnumerator>(this);
  }

 private:
  class TArrayEnumerator : public TEnumerator<T> {
   public:
    explicit TArrayEnumerator(const TArrayEnumerable* Owner) noexcept : FOwner(Owner) {}

   protected:
    T DoGetCurrent() override {
      if (FIndex < 0 || static_cast<std::size_t>(FIndex) >= FOwner->FItems.size()) return T{};
      return FOwner->FItems[static_cast<std::size_t>(FIndex)];
    }
    bool DoMoveNext() override {
      const auto N = static_cast<std::ptrdiff_t>(FOwner->FItems.size());
      if (FIndex < N) ++FIndex;
      return FIndex < N;
    }

   private:
    const TArrayEnumerable* FOwner;
    std::ptrdiff_t FIndex = -1;
  };

  TArray<T> FItems;
};

// ---------------------------------------------------------------------------------------------
// Hashing

// 32-bit FNV-1a: offset basis 2166136261, prime 16777619.
inline constexpr std::uint32_t kFnv1aBasis = 2166136261u;
inline constexpr std::uint32_t kFnv1aPrime = 16777619u;

constexpr std::uint32_t Fnv1aHash(std::string_view S) noexcept {
  std::uint32_t H = kFnv1aBasis;
  for (char C : S) {
    H ^= static_cast<unsigned char>(C);
    H *= kFnv1aPrime;
  }
  return H;
}

// FNV-1a over the Bytes low-order bytes of V, lowest first: the same result on every machine.
constexpr std::uint32_t Fnv1aHashValue(std::uint64_t V, int Bytes) noexcept {
  std::uint32_t H = kFnv1aBasis;
  for (int I = 0; I < Bytes; ++I) {
    H ^= static_cast<std::uint32_t>(V & 0xFFu);
    H *= kFnv1aPrime;
    V >>= 8;
  }
  return H;
}

namespace detail {
template <typename T>
struct IsIntf : std::false_type {};
template <typename T>
struct IsIntf<Intf<T>> : std::true_type {};
}  // namespace detail

// The default equality of T: what the platform's default comparer does, callable without a
// comparer object (the containers use it directly when no comparer was given).
//   - strings: exact, case-sensitive comparison of the bytes; FNV-1a of the bytes.
//   - integers, enumerations, bool, characters: ==; FNV-1a of the value.
//   - floating point: ==; FNV-1a of the bits, with -0.0 hashed as 0.0 (they are equal).
//   - pointers and Intf<T>: the same address; hash of the address.
// A type of one's own gets its default by specialising TDefaultEquality.
template <typename T, typename Enable = void>
struct TDefaultEquality {};

// True when T has a default equality.
template <typename T>
concept HasDefaultEquality = requires(const T& A) {
  { TDefaultEquality<T>::Equals(A, A) } -> std::convertible_to<bool>;
  { TDefaultEquality<T>::GetHashCode(A) } -> std::convertible_to<Integer>;
};

template <>
struct TDefaultEquality<std::string> {
  static bool Equals(const std::string& Left, const std::string& Right) noexcept {
    return Left == Right;
  }
  static Integer GetHashCode(const std::string& Value) noexcept {
    return static_cast<Integer>(Fnv1aHash(Value));
  }
};

template <typename T>
struct TDefaultEquality<T, std::enable_if_t<std::is_integral_v<T> || std::is_enum_v<T>>> {
  static bool Equals(const T& Left, const T& Right) noexcept { return Left == Right; }
  static Integer GetHashCode(const T& Value) noexcept {
    std::uint64_t V = 0;
    if constexpr (std::is_enum_v<T>)
      V = static_cast<std::make_unsigned_t<std::underlying_type_t<T>>>(Value);
    else if constexpr (std::is_same_v<T, bool>)
      V = Value ? 1 : 0;
    else
      V = static_cast<std::make_unsigned_t<T>>(Value);
    return static_cast<Integer>(Fnv1aHashValue(V, sizeof(T)));
  }
};

template <typename T>
struct TDefaultEquality<T, std::enable_if_t<std::is_floating_point_v<T>>> {
  static bool Equals(const T& Left, const T& Right) noexcept { return Left == Right; }
  static Integer GetHashCode(const T& Value) noexcept {
    const double D = Value == 0 ? 0.0 : static_cast<double>(Value);
    std::uint64_t Bits = 0;
    std::memcpy(&Bits, &D, sizeof Bits);
    return static_cast<Integer>(Fnv1aHashValue(Bits, 8));
  }
};

template <typename T>
struct TDefaultEquality<T, std::enable_if_t<std::is_pointer_v<T>>> {
  static bool Equals(const T& Left, const T& Right) noexcept { return Left == Right; }
  static Integer GetHashCode(const T& Value) noexcept {
    return static_cast<Integer>(Fnv1aHashValue(reinterpret_cast<std::uintptr_t>(Value), 8));
  }
};

template <typename T>
struct TDefaultEquality<T, std::enable_if_t<detail::IsIntf<T>::value>> {
  static bool Equals(const T& Left, const T& Right) noexcept { return Left.get() == Right.get(); }
  static Integer GetHashCode(const T& Value) noexcept {
    return static_cast<Integer>(
        Fnv1aHashValue(reinterpret_cast<std::uintptr_t>(Value.get()), 8));
  }
};

// Compares and hashes values of T. Equal values must have equal hash codes.
template <typename T>
class IEqualityComparer : public virtual IInterface {
 public:
  virtual bool Equals(const T& Left, const T& Right) = 0;
  virtual Integer GetHashCode(const T& Value) = 0;

 protected:
  ~IEqualityComparer() = default;
};

namespace detail {

// The default comparer of T, one static instance that is not reference counted (AddRef and
// Release only answer), so that every container may hold it without owning it.
template <typename T>
class TDefaultEqualityComparer final : public TUncountedInterface,
                                       public virtual IEqualityComparer<T> {
 public:
  TDefaultEqualityComparer() noexcept = default;

  bool Equals(const T& Left, const T& Right) override {
    return TDefaultEquality<T>::Equals(Left, Right);
  }
  Integer GetHashCode(const T& Value) override { return TDefaultEquality<T>::GetHashCode(Value); }
};

// A counted comparer made of two functions.
template <typename T>
class TDelegatedEqualityComparer final : public TInterfacedObject,
                                         public virtual IEqualityComparer<T> {
 public:
  TDelegatedEqualityComparer(std::function<bool(const T&, const T&)> AEquals,
                             std::function<Integer(const T&)> AHasher)
      : FEquals(std::move(AEquals)), FHasher(std::move(AHasher)) {}

  bool Equals(const T& Left, const T& Right) override { return FEquals(Left, Right); }
  Integer GetHashCode(const T& Value) override { return FHasher(Value); }

 private:
  std::function<bool(const T&, const T&)> FEquals;
  std::function<Integer(const T&)> FHasher;
};

}  // namespace detail

template <typename T>
class TEqualityComparer {
 public:
  // The platform's default comparer of T (see TDefaultEquality).
  static Intf<IEqualityComparer<T>> Default() {
    static_assert(HasDefaultEquality<T>, "no default equality for this type: specialise TDefaultEquality");
    // Never destroyed, so that containers that outlive static destruction may still hold it.
    static auto* const Instance = new detail::TDefaultEqualityComparer<T>();
    return Intf<IEqualityComparer<T>>(Instance);
  }
  // A new counted comparer from an equality and a hash function.
  static Intf<IEqualityComparer<T>> Construct(std::function<bool(const T&, const T&)> Equals,
                                              std::function<Integer(const T&)> Hasher) {
    return Intf<IEqualityComparer<T>>(
        new detail::TDelegatedEqualityComparer<T>(std::move(Equals), std::move(Hasher)));
  }
};

}  // namespace tarnwick

#endif  // TARNWICK_PLATFORM_GENERICS_H_
