// What the component stream's parser, reader and writer share: the characters of names, stream
// text cut and quoted for messages, the errors of a read, and the tree the parser makes of a
// text. Internal to the platform library.
#ifndef TARNWICK_PLATFORM_DETAIL_COMPONENTTEXT_H_
#define TARNWICK_PLATFORM_DETAIL_COMPONENTTEXT_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tarnwick/platform/ComponentStreaming.h"
#include "tarnwick/platform/SysUtils.h"

namespace tarnwick::detail::streaming {

inline constexpr std::size_t kQuotedTextLimit = 64;  // code points of stream text quoted in a message

inline bool IsIdentStart(char C) noexcept { return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || C == '_'; }
inline bool IsDigit(char C) noexcept { return C >= '0' && C <= '9'; }
inline bool IsIdentChar(char C) noexcept { return IsIdentStart(C) || IsDigit(C); }

inline bool IsIdent(std::string_view S) noexcept {
  if (S.empty() || !IsIdentStart(S.front())) return false;
  return std::all_of(S.begin() + 1, S.end(), IsIdentChar);
}

// Text from the stream, cut to a length a message can carry.
inline std::string Shorten(std::string_view S) {
  if (Utf8CodePointCount(S) <= kQuotedTextLimit) return std::string(S);
  return std::string(Utf8Truncate(S, kQuotedTextLimit)) + "...";
}

inline std::string Quoted(std::string_view S) {
  std::string Out(1, '"');
  Out += Shorten(S);
  Out += '"';
  return Out;
}

// Two upper-case hexadecimal digits.
inline std::string HexByte(unsigned char C) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  return std::string{kDigits[C >> 4], kDigits[C & 15]};
}

// EComponentReadError "Error reading <Path> at line <Line>: <Detail>", made or raised.
EComponentReadError MakeReadError(std::int32_t Line, const std::string& Path, const std::string& Detail);
[[noreturn]] void RaiseReadError(std::int32_t Line, const std::string& Path, const std::string& Detail);
// "Expected <What>, found <Found>".
std::string Expected(std::string_view What, const std::string& Found);

// The parsed text.
struct TItemNode;

struct TValueNode {
  enum TKind : std::uint8_t { vkInteger, vkFloat, vkString, vkIdent, vkSet, vkList, vkCollection };
  TKind Kind = vkIdent;
  std::int32_t Line = 0;
  std::string Text;  // an identifier, a string's value, a number as written
  std::int64_t Integer = 0;
  double Float = 0;
  std::vector<TValueNode> Items;          // a set's identifiers, a list's values
  std::vector<TItemNode> CollectionItems;
};

struct TPropNode {
  std::string Name;
  std::int32_t Line = 0;
  TValueNode Value;
};

struct TItemNode {
  std::int32_t Line = 0;
  std::vector<TPropNode> Props;
};

struct TObjectNode {
  std::string Name;
  std::string ClassName;
  std::int32_t Line = 0;
  std::vector<TPropNode> Props;
  std::vector<TObjectNode> Children;
};

// What a value is, for "Expected ..., found ..." messages.
std::string Describe(const TValueNode& V);

// The tree of a whole stream text; raises EComponentReadError at the first error.
TObjectNode ParseComponentText(std::string_view Text);

}  // namespace tarnwick::detail::streaming

#endif  // TARNWICK_PLATFORM_DETAIL_COMPONENTTEXT_H_
