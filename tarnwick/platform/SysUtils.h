// Small string utilities: trimming, ASCII case folding and comparison, the locale-aware
// comparison of the string lists, and the UTF-8 helpers that count and cut text by code points
// without splitting a sequence.
//
// Text is UTF-8 in std::string. Case folding touches only the ASCII letters, so a multibyte
// sequence passes every function unchanged; only AnsiCompareStr and AnsiCompareText consult a
// locale. Bytes are compared as unsigned values, so text with non-ASCII characters sorts after
// all ASCII text.
#ifndef TARNWICK_PLATFORM_SYSUTILS_H_
#define TARNWICK_PLATFORM_SYSUTILS_H_

#include <cstddef>
#include <locale>
#include <string>
#include <string_view>

#include "tarnwick/platform/Export.h"

namespace tarnwick {

// S without the blanks and control characters (bytes up to and including ' ') at both ends,
// at the start only, or at the end only. Bytes of multibyte sequences are never removed.
TARNWICK_PLATFORM_EXPORT std::string Trim(std::string_view S);
TARNWICK_PLATFORM_EXPORT std::string TrimLeft(std::string_view S);
TARNWICK_PLATFORM_EXPORT std::string TrimRight(std::string_view S);

// S with 'a'..'z' turned into 'A'..'Z' (UpperCase), or the reverse (LowerCase).
TARNWICK_PLATFORM_EXPORT std::string UpperCase(std::string_view S);
TARNWICK_PLATFORM_EXPORT std::string LowerCase(std::string_view S);

// Byte-wise comparison: < 0 when S1 sorts before S2, 0 when equal, > 0 after. A proper prefix
// sorts first.
TARNWICK_PLATFORM_EXPORT int CompareStr(std::string_view S1, std::string_view S2) noexcept;
// As CompareStr after folding ASCII letters to upper case (so '_' sorts after the letters).
TARNWICK_PLATFORM_EXPORT int CompareText(std::string_view S1, std::string_view S2) noexcept;
// True when S1 and S2 are equal apart from the case of ASCII letters.
TARNWICK_PLATFORM_EXPORT bool SameText(std::string_view S1, std::string_view S2) noexcept;
// True when AText begins with ASubText, ignoring the case of ASCII letters.
TARNWICK_PLATFORM_EXPORT bool StartsText(std::string_view ASubText, std::string_view AText) noexcept;

// Comparisons by the process's global C++ locale (std::locale(), the one a host picks with
// std::locale::global): < 0, 0 or > 0 as S1 collates before, with or after S2.
// AnsiCompareStr collates by the locale's std::collate<char>. AnsiCompareText first folds both
// texts to upper case, code point by code point, by the locale's std::ctype<wchar_t> (a byte
// that starts no well-formed UTF-8 sequence stays as it is, so texts that differ in such bytes
// stay apart), then collates. In the classic "C" locale, which a program has until it picks
// another, they are exactly CompareStr and CompareText, and no facet is consulted.
TARNWICK_PLATFORM_EXPORT int AnsiCompareStr(std::string_view S1, std::string_view S2);
TARNWICK_PLATFORM_EXPORT int AnsiCompareText(std::string_view S1, std::string_view S2);

// The global locale, taken once for a run of the comparisons above. Asking for it costs more
// than a byte comparison of two short names, so a search or a sort that compares many times
// opens a scope first: while it lasts, the comparisons of the same thread use the locale the
// scope took (and whether it is the classic one) instead of asking again. Scopes nest and end
// in the reverse order they began, as objects on the stack do; a scope never outlives the
// function that opened it, so a host that changes the global locale between two searches is
// heard by the next one. (Public because the string-list templates open one in code the host
// compiles.)
class TARNWICK_PLATFORM_EXPORT TLocaleScope {
 public:
  TLocaleScope();
  ~TLocaleScope();
  TLocaleScope(const TLocaleScope&) = delete;
  TLocaleScope& operator=(const TLocaleScope&) = delete;

  const std::locale& GetLocale() const noexcept { return FLocale; }
  bool IsClassic() const noexcept { return FClassic; }

 private:
  std::locale FLocale;
  bool FClassic;
  const TLocaleScope* FOuter;
};

// Count copies of Ch; an empty string for Count <= 0.
TARNWICK_PLATFORM_EXPORT std::string StringOfChar(char Ch, std::ptrdiff_t Count);

// The replacement character that stands for every byte that is not part of a valid sequence.
inline constexpr char32_t kUtf8Replacement = U'\xFFFD';

// Reads the code point that starts at S[Pos] and moves Pos past it. A byte that does not start
// a well-formed sequence (stray continuation byte, overlong form, surrogate, value above
// U+10FFFF, sequence cut short) yields kUtf8Replacement and moves Pos by one byte only.
// At or past the end it yields kUtf8Replacement and leaves Pos alone.
TARNWICK_PLATFORM_EXPORT char32_t Utf8DecodeNext(std::string_view S, std::size_t& Pos) noexcept;
// The number of code points Utf8DecodeNext reads from S (each invalid byte counts as one).
TARNWICK_PLATFORM_EXPORT std::size_t Utf8CodePointCount(std::string_view S) noexcept;
// The longest prefix of S holding at most Count code points; never ends inside a sequence.
TARNWICK_PLATFORM_EXPORT std::string_view Utf8Truncate(std::string_view S,
                                                       std::size_t Count) noexcept;
// Appends the UTF-8 form of Ch to Dest; surrogates and values above U+10FFFF append
// kUtf8Replacement. Inline: decoders append one code point at a time.
inline void Utf8Append(std::string& Dest, char32_t Ch) {
  if (Ch > 0x10FFFF || (Ch >= 0xD800 && Ch <= 0xDFFF)) Ch = kUtf8Replacement;
  if (Ch < 0x80) {
    Dest += static_cast<char>(Ch);
  } else if (Ch < 0x800) {
    Dest += static_cast<char>(0xC0 | (Ch >> 6));
    Dest += static_cast<char>(0x80 | (Ch & 0x3F));
  } else if (Ch < 0x10000) {
    Dest += static_cast<char>(0xE0 | (Ch >> 12));
    Dest += static_cast<char>(0x80 | ((Ch >> 6) & 0x3F));
    Dest += static_cast<char>(0x80 | (Ch & 0x3F));
  } else {
    Dest += static_cast<char>(0xF0 | (Ch >> 18));
    Dest += static_cast<char>(0x80 | ((Ch >> 12) & 0x3F));
    Dest += static_cast<char>(0x80 | ((Ch >> 6) & 0x3F));
    Dest += static_cast<char>(0x80 | (Ch & 0x3F));
  }
}
// The UTF-8 form of Ch, as Utf8Append writes it.
TARNWICK_PLATFORM_EXPORT std::string Utf8Encode(char32_t Ch);

}  // namespace tarnwick

#endif  // TARNWICK_PLATFORM_SYSUTILS_H_
