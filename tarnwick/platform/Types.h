// The platform's basic types: sized integers, the small bit set behind every "set of" type, and
// interface identifiers.
#ifndef TARNWICK_PLATFORM_TYPES_H_
#define TARNWICK_PLATFORM_TYPES_H_

#include <cstdint>
#include <initializer_list>
#include <type_traits>

#include "tarnwick/platform/Export.h"

namespace tarnwick {

using Integer = std::int32_t;
using Cardinal = std::uint32_t;
using NativeInt = std::intptr_t;

// A set of values of one unscoped enumeration whose ordinals lie in [0, 63].
template <typename E>
class TSet {
  static_assert(std::is_enum_v<E>, "TSet holds enumeration values");

 public:
  constexpr TSet() noexcept = default;
  constexpr TSet(std::initializer_list<E> Values) noexcept {
    for (E V : Values) FBits |= Bit(V);
  }

  constexpr bool Contains(E V) const noexcept { return (FBits & Bit(V)) != 0; }
  constexpr bool IsEmpty() const noexcept { return FBits == 0; }
  constexpr TSet& Include(E V) noexcept { FBits |= Bit(V); return *this; }
  constexpr TSet& Exclude(E V) noexcept { FBits &= ~Bit(V); return *this; }

  friend constexpr TSet operator+(TSet A, TSet B) noexcept { return FromBits(A.FBits | B.FBits); }
  friend constexpr TSet operator*(TSet A, TSet B) noexcept { return FromBits(A.FBits & B.FBits); }
  friend constexpr TSet operator-(TSet A, TSet B) noexcept { return FromBits(A.FBits & ~B.FBits); }
  friend constexpr bool operator==(TSet A, TSet B) noexcept = default;

 private:
  static constexpr std::uint64_t Bit(E V) noexcept {
    return std::uint64_t{1} << static_cast<unsigned>(V);
  }
  static constexpr TSet FromBits(std::uint64_t Bits) noexcept {
    TSet S;
    S.FBits = Bits;
    return S;
  }
  std::uint64_t FBits = 0;
};

// An interface identifier, written as the usual braced text form.
struct TGUID {
  std::uint32_t D1 = 0;
  std::uint16_t D2 = 0;
  std::uint16_t D3 = 0;
  std::uint8_t D4[8] = {};

  friend constexpr bool operator==(const TGUID& A, const TGUID& B) noexcept {
    if (A.D1 != B.D1 || A.D2 != B.D2 || A.D3 != B.D3) return false;
    for (int I = 0; I < 8; ++I)
      if (A.D4[I] != B.D4[I]) return false;
    return true;
  }
};

namespace detail {
constexpr std::uint32_t HexDigit(char C) {
  return C >= '0' && C <= '9'   ? static_cast<std::uint32_t>(C - '0')
         : C >= 'a' && C <= 'f' ? static_cast<std::uint32_t>(C - 'a' + 10)
         : C >= 'A' && C <= 'F' ? static_cast<std::uint32_t>(C - 'A' + 10)
                                : throw "invalid hex digit in GUID";
}
constexpr std::uint32_t HexValue(const char* S, int Digits) {
  std::uint32_t V = 0;
  for (int I = 0; I < Digits; ++I) V = V * 16 + HexDigit(S[I]);
  return V;
}
}  // namespace detail

// MakeGUID("{B5C057E4-FD60-4818-9641-B61A71B492CF}"), usable in constant expressions.
constexpr TGUID MakeGUID(const char (&S)[39]) {
  if (S[0] != '{' || S[9] != '-' || S[14] != '-' || S[19] != '-' || S[24] != '-' || S[37] != '}')
    throw "malformed GUID text";
  TGUID G;
  G.D1 = detail::HexValue(S + 1, 8);
  G.D2 = static_cast<std::uint16_t>(detail::HexValue(S + 10, 4));
  G.D3 = static_cast<std::uint16_t>(detail::HexValue(S + 15, 4));
  G.D4[0] = static_cast<std::uint8_t>(detail::HexValue(S + 20, 2));
  G.D4[1] = static_cast<std::uint8_t>(detail::HexValue(S + 22, 2));
  for (int I = 0; I < 6; ++I) G.D4[2 + I] = static_cast<std::uint8_t>(detail::HexValue(S + 25 + 2 * I, 2));
  return G;
}

}  // namespace tarnwick

#endif  // TARNWICK_PLATFORM_TYPES_H_
