// Trimming, ASCII case folding and comparison, the locale-aware comparisons, and the UTF-8
// helpers.
#include "tarnwick/platform/SysUtils.h"

#include <gtest/gtest.h>

#include <locale>
#include <stdexcept>
#include <string>
#include <vector>

#include "TestLocale.h"

namespace tarnwick {
namespace {

TEST(SysUtilsTrim, RemovesBlanksAndControlCharactersOnly) {
  struct Case {
    std::string S, Both, Left, Right;
  };
  const Case Cases[] = {
      {"  a b  ", "a b", "a b  ", "  a b"},
      {"\t\r\n a\x01", "a", "a\x01", "\t\r\n a"},
      {std::string("\0x\0", 3), "x", std::string("x\0", 2), std::string("\0x", 2)},
      {"", "", "", ""},
      {" \x1F ", "", "", ""},
      {"\x7F", "\x7F", "\x7F", "\x7F"},  // DEL lies above the blank
      // Bytes of multibyte sequences are above the blank as unsigned values: they stay.
      {" \xC3\xA9 ", "\xC3\xA9", "\xC3\xA9 ", " \xC3\xA9"},
      {"\xA0", "\xA0", "\xA0", "\xA0"},
  };
  for (const Case& C : Cases) {
    EXPECT_EQ(Trim(C.S), C.Both) << C.S;
    EXPECT_EQ(TrimLeft(C.S), C.Left) << C.S;
    EXPECT_EQ(TrimRight(C.S), C.Right) << C.S;
  }
}

TEST(SysUtilsCaseFolding, AsciiLettersOnly) {
  EXPECT_EQ(UpperCase("abc xyz_09 \xC3\xA4"), "ABC XYZ_09 \xC3\xA4");
  EXPECT_EQ(LowerCase("ABC XYZ_09 \xC3\x84"), "abc xyz_09 \xC3\x84");
}

TEST(SysUtilsCompare, CaseSensitiveAndInsensitive) {
  auto Sign = [](int V) { return (V > 0) - (V < 0); };
  struct Case {
    const char *S1, *S2;
    int Str, Text;
  };
  const Case Cases[] = {
      {"abc", "abc", 0, 0},
      {"ABC", "abc", -1, 0},
      {"abc", "ABD", 1, -1},
      {"ab", "abc", -1, -1},
      {"", "", 0, 0},
      {"b", "", 1, 1},
      {"a", "_", 1, -1},          // insensitive comparison folds to upper case: 'A' < '_'
      {"\xC3\xA9", "z", 1, 1},    // bytes compare unsigned
      {"\xC3\xA9", "\xC3\x89", 1, 1},  // non-ASCII letters are not folded
  };
  for (const Case& C : Cases) {
    EXPECT_EQ(Sign(CompareStr(C.S1, C.S2)), C.Str) << C.S1 << " " << C.S2;
    EXPECT_EQ(Sign(CompareText(C.S1, C.S2)), C.Text) << C.S1 << " " << C.S2;
    EXPECT_EQ(SameText(C.S1, C.S2), C.Text == 0) << C.S1 << " " << C.S2;
  }
  EXPECT_TRUE(StartsText("DEF", "deffuzzy"));
  EXPECT_TRUE(StartsText("", "x"));
  EXPECT_FALSE(StartsText("deffuzzyx", "deffuzzy"));
  EXPECT_FALSE(StartsText("dex", "deffuzzy"));
}

int Sign(int V) { return (V > 0) - (V < 0); }

// The pairs that tell byte order and ASCII folding from anything else.
struct TComparePair {
  const char *S1, *S2;
};
const TComparePair kOrderPairs[] = {
    {"abc", "abc"}, {"ABC", "abc"}, {"abc", "ABD"}, {"ab", "abc"}, {"", ""}, {"b", ""},
    {"a", "_"}, {"Z", "a"}, {"\xC3\xA9", "z"}, {"\xC3\xA9", "\xC3\x89"}, {"co-op", "coop"},
    {"eclair", "\xC3\xA9" "clair"}, {"a\xFF", "a\xFE"}, {"\xE2\x82", "\xE2\x82\xAC"},
};

TEST(SysUtilsAnsiCompare, InTheClassicLocaleIsTheByteComparison) {
  auto Check = [](const char* Where) {
    SCOPED_TRACE(Where);
    for (const TComparePair& P : kOrderPairs) {
      EXPECT_EQ(AnsiCompareStr(P.S1, P.S2), Sign(CompareStr(P.S1, P.S2))) << P.S1 << " " << P.S2;
      EXPECT_EQ(AnsiCompareText(P.S1, P.S2), Sign(CompareText(P.S1, P.S2))) << P.S1 << " " << P.S2;
    }
  };
  Check("the program's default");
  const test::TGlobalLocale ByName(std::locale("C"));
  Check("the classic locale by name");
}

TEST(SysUtilsAnsiCompare, CollatesByTheGlobalLocale) {
  struct Case {
    const char *S1, *S2;
    int Str, Text;
  };
  const Case kCases[] = {
      // Bytes would put the accent after z. Folded, the other letters become capitals while
      // the classic case mapping leaves the accented one small: it sorts as e, after Z and F.
      {"\xC3\xA9" "clair", "zebra", -1, 1},
      {"eclair", "\xC3\xA9" "clair", -1, -1},
      {"\xC3\xA9" "clair", "f", -1, 1},
      {"co-op", "coop", 0, 0},
      {"Co-op", "COOP", 1, 0},
      {"apple", "Apple", 1, 0},
      {"a\xFF", "a\xFE", 1, 1},  // bytes that are no code point stay apart
      // Without a case mapping of its own the locale folds as the classic one.
      {"\xC3\xA9" "clair", "\xC3\x89" "CLAIR", 1, 1},
  };
  const test::TGlobalLocale Dictionary(test::DictionaryLocale());
  for (const Case& C : kCases) {
    EXPECT_EQ(AnsiCompareStr(C.S1, C.S2), C.Str) << C.S1 << " " << C.S2;
    EXPECT_EQ(AnsiCompareStr(C.S2, C.S1), -C.Str) << C.S2 << " " << C.S1;
    EXPECT_EQ(AnsiCompareText(C.S1, C.S2), C.Text) << C.S1 << " " << C.S2;
  }
}

TEST(SysUtilsAnsiCompare, FoldsCaseByTheGlobalLocalesMappingOfCodePoints) {
  const test::TGlobalLocale Dictionary(test::DictionaryLocale(/*WithAccents=*/true));
  EXPECT_EQ(AnsiCompareText("\xC3\xA9" "clair", "\xC3\x89" "CLAIR"), 0);
  EXPECT_EQ(AnsiCompareText("\xC3\xA9" "clair-s", "\xC3\x89" "CLAIRS"), 0);
  EXPECT_EQ(AnsiCompareText("\xC3\xA9" "a", "EB"), -1) << "folded, then collated: E-acute sorts as E";
  EXPECT_EQ(AnsiCompareStr("\xC3\xA9" "clair", "\xC3\x89" "CLAIR"), 1) << "the case-sensitive form folds nothing";
  // A code point beyond the mapping, a cut sequence and an astral one pass as they are.
  EXPECT_EQ(AnsiCompareText("\xC3\xA4", "\xC3\x84"), 1);
  EXPECT_EQ(AnsiCompareText("x\xE2\x82", "X\xE2\x82"), 0);
  EXPECT_EQ(AnsiCompareText("\xF0\x9F\x98\x80" "a", "\xF0\x9F\x98\x80" "A"), 0);
}

// Only where the machine has it: a real UTF-8 locale folds letters beyond ASCII.
TEST(SysUtilsAnsiCompare, ARealUtf8LocaleWhereInstalled) {
  std::locale Real;
  try {
    Real = std::locale("C.UTF-8");
  } catch (const std::runtime_error&) {
    GTEST_SKIP() << "no C.UTF-8 locale on this machine";
  }
  const test::TGlobalLocale Global(Real);
  EXPECT_EQ(AnsiCompareText("\xC3\xA9" "clair", "\xC3\x89" "CLAIR"), 0);
  EXPECT_EQ(AnsiCompareStr("abc", "abd"), -1);
  EXPECT_EQ(AnsiCompareStr("abc", "abc"), 0);
}

TEST(SysUtilsStringOfChar, Counts) {
  EXPECT_EQ(StringOfChar('-', 3), "---");
  EXPECT_EQ(StringOfChar('-', 0), "");
  EXPECT_EQ(StringOfChar('-', -2), "");
}

// "a", e-acute (2 bytes), euro (3 bytes), grinning face (4 bytes).
const std::string kMixed = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";

TEST(SysUtilsUtf8, DecodesValidSequences) {
  std::size_t Pos = 0;
  std::vector<char32_t> Got;
  while (Pos < kMixed.size()) Got.push_back(Utf8DecodeNext(kMixed, Pos));
  EXPECT_EQ(Got, (std::vector<char32_t>{U'a', U'\u00E9', U'\u20AC', U'\U0001F600'}));
  EXPECT_EQ(Pos, kMixed.size());
  EXPECT_EQ(Utf8DecodeNext(kMixed, Pos), kUtf8Replacement);  // at the end: nothing read
  EXPECT_EQ(Pos, kMixed.size());
}

TEST(SysUtilsUtf8, InvalidBytesDecodeOneAtATime) {
  struct Case {
    std::string S;
    std::vector<char32_t> Expected;
  };
  const char32_t R = kUtf8Replacement;
  const Case Cases[] = {
      {"\x80" "a", {R, U'a'}},                      // stray continuation byte
      {"\xC0\x80", {R, R}},                         // overlong NUL
      {"\xE0\x80\xAF", {R, R, R}},                  // overlong '/'
      {"\xED\xA0\x80", {R, R, R}},                  // surrogate
      {"\xF4\x90\x80\x80", {R, R, R, R}},           // above U+10FFFF
      {"\xFF" "b", {R, U'b'}},
      {"\xE2\x82" "c", {R, R, U'c'}},               // cut short by another character
      {"\xE2\x82", {R, R}},                         // cut short by the end
      {"\xF4\x8F\xBF\xBF", {U'\U0010FFFF'}},        // the largest code point is fine
  };
  for (const Case& C : Cases) {
    std::vector<char32_t> Got;
    for (std::size_t Pos = 0; Pos < C.S.size();) Got.push_back(Utf8DecodeNext(C.S, Pos));
    EXPECT_EQ(Got, C.Expected) << C.S;
    EXPECT_EQ(Utf8CodePointCount(C.S), C.Expected.size()) << C.S;
  }
}

TEST(SysUtilsUtf8, CountsAndTruncatesAtSequenceBoundaries) {
  EXPECT_EQ(Utf8CodePointCount(""), 0u);
  EXPECT_EQ(Utf8CodePointCount(kMixed), 4u);
  EXPECT_EQ(Utf8Truncate(kMixed, 0), "");
  EXPECT_EQ(Utf8Truncate(kMixed, 1), "a");
  EXPECT_EQ(Utf8Truncate(kMixed, 2), "a\xC3\xA9");
  EXPECT_EQ(Utf8Truncate(kMixed, 3), "a\xC3\xA9\xE2\x82\xAC");
  EXPECT_EQ(Utf8Truncate(kMixed, 4), kMixed);
  EXPECT_EQ(Utf8Truncate(kMixed, 99), kMixed);
  // An invalid byte counts as one code point of its own.
  EXPECT_EQ(Utf8Truncate("\xE2\x82" "c", 1), "\xE2");
}

TEST(SysUtilsUtf8, EncodesAndReplacesInvalidValues) {
  for (char32_t Ch : {U'\0', U'A', U'\u007F', U'\u0080', U'\u07FF', U'\u0800', U'\uFFFF',
                      U'\U00010000', U'\U0010FFFF'}) {
    std::string S = Utf8Encode(Ch);
    std::size_t Pos = 0;
    EXPECT_EQ(Utf8DecodeNext(S, Pos), Ch);
    EXPECT_EQ(Pos, S.size());
  }
  EXPECT_EQ(Utf8Encode(U'\u20AC'), "\xE2\x82\xAC");
  EXPECT_EQ(Utf8Encode(0xD800), "\xEF\xBF\xBD");
  EXPECT_EQ(Utf8Encode(0x110000), "\xEF\xBF\xBD");
}

}  // namespace
}  // namespace tarnwick
