// Locales of the tests' own, so that locale-aware order is tested with nothing installed: a
// collation that differs from byte order in ways a test can see, a case mapping beyond ASCII,
// and a guard that makes a locale the global one for a while.
#ifndef TARNWICK_TESTS_TESTLOCALE_H_
#define TARNWICK_TESTS_TESTLOCALE_H_

#include <cstdint>
#include <locale>
#include <string_view>
#include <utility>
#include <vector>

#include "tarnwick/platform/SysUtils.h"

namespace tarnwick::test {

// Collates as a dictionary might, unlike byte order: hyphens are ignored ("co-op" equals
// "coop"), and e with acute (U+00E9, U+00C9) sorts as e (E), after it only when all else is
// equal, so "eclair" < "éclair" < "zebra". Every other code point by its value; a byte that
// starts no UTF-8 sequence after all code points, by its value, so such texts stay apart.
class TDictionaryCollate : public std::collate<char> {
 protected:
  int do_compare(const char* Lo1, const char* Hi1, const char* Lo2, const char* Hi2) const override {
    const auto A = Keys(std::string_view(Lo1, static_cast<std::size_t>(Hi1 - Lo1)));
    const auto B = Keys(std::string_view(Lo2, static_cast<std::size_t>(Hi2 - Lo2)));
    if (A.first != B.first) return A.first < B.first ? -1 : 1;
    if (A.second != B.second) return A.second < B.second ? -1 : 1;
    return 0;
  }

 private:
  // The primary keys (letters) and the secondary ones (accents) of S.
  static std::pair<std::vector<std::uint32_t>, std::vector<int>> Keys(std::string_view S) {
    std::pair<std::vector<std::uint32_t>, std::vector<int>> Result;
    std::size_t Pos = 0;
    while (Pos < S.size()) {
      const std::size_t Start = Pos;
      std::uint32_t Ch = Utf8DecodeNext(S, Pos);
      if (Ch == kUtf8Replacement && Pos - Start == 1) Ch = 0x110000 + static_cast<unsigned char>(S[Start]);
      if (Ch == '-') continue;
      const bool Acute = Ch == 0xE9 || Ch == 0xC9;
      Result.first.push_back(Ch == 0xE9 ? 'e' : Ch == 0xC9 ? 'E' : Ch);
      Result.second.push_back(Acute ? 1 : 0);
    }
    return Result;
  }
};

// The classic case mapping of ASCII letters, plus e with acute to its capital.
class TAccentCtype : public std::ctype<wchar_t> {
 protected:
  wchar_t do_toupper(wchar_t Ch) const override {
    if (Ch >= L'a' && Ch <= L'z') return static_cast<wchar_t>(Ch - L'a' + L'A');
    return Ch == 0xE9 ? static_cast<wchar_t>(0xC9) : Ch;
  }
  const wchar_t* do_toupper(wchar_t* Lo, const wchar_t* Hi) const override {
    for (; Lo < Hi; ++Lo) *Lo = do_toupper(*Lo);
    return Hi;
  }
};

// The classic locale with the dictionary collation; with WithAccents also the accent case
// mapping (without it, case folding is the classic locale's).
inline std::locale DictionaryLocale(bool WithAccents = false) {
  std::locale Result(std::locale::classic(), new TDictionaryCollate);
  return WithAccents ? std::locale(Result, new TAccentCtype) : Result;
}

// Makes Locale the process's global locale until the guard ends, then restores the one before.
class TGlobalLocale {
 public:
  explicit TGlobalLocale(const std::locale& Locale) : FPrevious(std::locale::global(Locale)) {}
  ~TGlobalLocale() { std::locale::global(FPrevious); }
  TGlobalLocale(const TGlobalLocale&) = delete;
  TGlobalLocale& operator=(const TGlobalLocale&) = delete;

 private:
  std::locale FPrevious;
};

}  // namespace tarnwick::test

#endif  // TARNWICK_TESTS_TESTLOCALE_H_
