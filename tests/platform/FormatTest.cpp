// Format's directives and errors, the format settings, and text <-> number conversion.
#include "tarnwick/platform/Format.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "tarnwick/platform/Exceptions.h"
#include "tarnwick/platform/ResStrings.h"

namespace tarnwick {
namespace {

using test::MessageOf;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct FormatCase {
  const char* Fmt;
  std::vector<TVarRec> Args;
  const char* Expected;
};

void ExpectFormats(const std::vector<FormatCase>& Cases) {
  for (const FormatCase& C : Cases)
    EXPECT_EQ(Format(C.Fmt, C.Args, TFormatSettings::Invariant()), C.Expected) << C.Fmt;
}

TEST(Format, Integers) {
  ExpectFormats({
      {"%d", {42}, "42"},
      {"%D", {-7}, "-7"},
      {"%5d|", {42}, "   42|"},
      {"%-5d|", {42}, "42   |"},
      {"%-d|", {42}, "42|"},
      {"%9.9d", {42}, "000000042"},
      {"%.4d", {-42}, "-0042"},
      {"%7.4d", {-42}, "  -0042"},
      {"%.1d", {12345}, "12345"},
      {"%d", {std::numeric_limits<std::int64_t>::min()}, "-9223372036854775808"},
      {"%d", {std::numeric_limits<std::uint64_t>::max()}, "18446744073709551615"},
      {"%u", {std::int32_t{-1}}, "4294967295"},
      {"%u", {std::int64_t{-1}}, "18446744073709551615"},
      {"%u", {123u}, "123"},
      {"%x", {255}, "FF"},
      {"%X", {0xabcdef}, "ABCDEF"},
      {"%.4x", {255}, "00FF"},
      {"%6x|", {255}, "    FF|"},
      {"%x", {std::int32_t{-1}}, "FFFFFFFF"},
      {"%x", {std::int16_t{-2}}, "FFFE"},
      {"%x", {std::int64_t{-1}}, "FFFFFFFFFFFFFFFF"},
  });
}

TEST(Format, Fixed) {
  ExpectFormats({
      {"%f", {3.14159}, "3.14"},
      {"%.4f", {0.5}, "0.5000"},
      {"%.4f", {2.5}, "2.5000"},
      {"%.4f", {-1.25}, "-1.2500"},
      {"%.4f", {42}, "42.0000"},  // integers convert
      {"%8.2f|", {-3.14159}, "   -3.14|"},
      {"%-8.2f|", {3.14159}, "3.14    |"},
      {"%.0f", {7.0}, "7"},
      {"%.f", {2.7}, "3"},  // a bare "." is precision 0
      {"%.1f", {1e20}, "100000000000000000000.0"},
      // Rounding works on the exact binary value: 1.00005 is stored slightly above the tie,
      // 1.0005 slightly below; true ties go to the even digit.
      {"%.4f", {1.00005}, "1.0001"},
      {"%.3f", {1.0005}, "1.000"},
      {"%.2f", {0.125}, "0.12"},
      {"%.2f", {0.375}, "0.38"},
      {"%.0f", {2.5}, "2"},
      // A value that rounds to zero prints no minus sign.
      {"%.4f", {-0.00001}, "0.0000"},
      {"%.2f", {-0.0}, "0.00"},
  });
}

// Fixed-point text is exact for every value and precision: compared with the C library's
// correctly rounded printf (in the "C" locale this test runs in) over ties k/2^n, neighbours
// of powers of ten, subnormals, values too large for the usual path, and a seeded sweep of
// every magnitude.
TEST(Format, FixedIsExactEverywhere) {
  std::vector<double> Values = {0.0, 5e-324, 2.2250738585072014e-308, 1e-300, 0.03125, 0.09375, 1e15, 1.8e15,
                                1.8446744073709552e15, 1e16, 9.2233720368547758e18, 1.8446744073709552e19,
                                1e22, 1.7976931348623157e308};
  for (int N = 1; N <= 40; ++N)
    for (int K = -64; K <= 64; ++K) Values.push_back(std::ldexp(2 * K + 1, -N));  // ties at every precision
  for (int E = -12; E <= 20; ++E) {
    const double P = std::pow(10.0, E);
    Values.push_back(P);
    Values.push_back(std::nextafter(P, 0.0));
    Values.push_back(std::nextafter(P, 1e300));
    Values.push_back(P * 0.5);
    Values.push_back(P * 0.99995);
  }
  std::uint64_t State = 20240611;
  for (int I = 0; I < 20000; ++I) {
    State = State * 6364136223846793005ULL + 1442695040888963407ULL;
    const double Mantissa = static_cast<double>(State >> 11) * 0x1p-53;
    Values.push_back(std::ldexp(Mantissa, static_cast<int>(State % 140) - 70));
  }
  int Failures = 0;
  for (double V : Values) {
    for (double Signed : {V, -V}) {
      for (int Precision = 0; Precision <= 11; ++Precision) {
        char Expected[512];
        std::snprintf(Expected, sizeof Expected, "%.*f", Precision, Signed);
        std::string Want = Expected;
        // Format prints no minus sign on a value whose digits are all zero.
        if (Want[0] == '-' && Want.find_first_of("123456789") == std::string::npos) Want.erase(0, 1);
        const std::string Got = Format("%.*f", {Precision, Signed});
        if (Got != Want && Failures++ < 10)
          ADD_FAILURE() << "%." << Precision << "f of " << Expected << ": " << Got << ", want " << Want;
      }
    }
  }
}

// The direct fixed-point append writes what the directive writes, after what Out holds: the
// minus sign is judged on the appended digits alone.
TEST(AppendFixedText, WritesWhatFormatWrites) {
  const double Values[] = {0.0, -0.0, 0.5, -0.5, 0.00005, -0.00004, 0.00015, 1234.56785, -2.5e-7, 1e20, 1e300,
                           std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                           -std::numeric_limits<double>::infinity(), 0.1 + 0.2, 255.0 / 256};
  for (const TFormatSettings& Settings : {TFormatSettings::Invariant(), TFormatSettings{',', '.'}})
    for (double V : Values)
      for (std::int32_t Precision : {0, 1, 4, 9, 12, 40}) {
        std::string Out = "x ";
        AppendFixedText(Out, V, Precision, Settings);
        EXPECT_EQ(Out, "x " + Format("%.*f", {Precision, V}, Settings)) << V << " " << Precision;
      }
  std::string Out = "-";
  AppendFixedText(Out, -0.00001, 4, TFormatSettings::Invariant());
  EXPECT_EQ(Out, "-0.0000");
  Out = "1";
  AppendFixedText(Out, -1.5, 2, TFormatSettings::Invariant());
  EXPECT_EQ(Out, "1-1.50");
  EXPECT_THROW(AppendFixedText(Out, 1, -1, TFormatSettings::Invariant()), EConvertError);
  EXPECT_THROW(AppendFixedText(Out, 1, kMaxFormatField + 1, TFormatSettings::Invariant()), EConvertError);
}

TEST(Format, ScientificGeneralAndNumber) {
  ExpectFormats({
      {"%e", {1234.5}, "1.23450000000000E+003"},
      {"%.3e", {-0.000123456}, "-1.23E-004"},
      {"%.1e", {1e300}, "1E+300"},
      {"%.0e", {5.0}, "5E+000"},
      {"%e", {0.0}, "0.00000000000000E+000"},
      {"%.2e", {9.999}, "1.0E+001"},
      {"%e", {1}, "1.00000000000000E+000"},
      {"%g", {1234.5}, "1234.5"},
      {"%g", {0.1 + 0.2}, "0.3"},
      {"%g", {1e14}, "100000000000000"},
      {"%g", {1e15}, "1E+15"},
      {"%g", {0.00001}, "0.00001"},
      {"%g", {0.000001}, "1E-6"},
      {"%.3g", {12345}, "1.23E+4"},
      {"%.3g", {-0.5}, "-0.5"},
      {"%g", {-0.0}, "0"},
      {"%8g|", {2.5}, "     2.5|"},
      {"%n", {1234567.891}, "1,234,567.89"},
      {"%.0n", {-1234}, "-1,234"},
      {"%n", {999.999}, "1,000.00"},
      {"%.1n", {12.34}, "12.3"},
      {"%n", {-0.001}, "0.00"},
  });
}

TEST(Format, NonFiniteFloats) {
  ExpectFormats({
      {"%f", {kNaN}, "NAN"},
      {"%e", {-kNaN}, "NAN"},
      {"%5f|", {kInf}, "  INF|"},
      {"%-5g|", {-kInf}, "-INF |"},
      {"%n", {kInf}, "INF"},
  });
}

TEST(Format, StringsCountCodePoints) {
  std::string Owned = "owned";
  ExpectFormats({
      {"%s", {"abc"}, "abc"},
      {"%s", {Owned}, "owned"},
      {"%s", {std::string_view("view")}, "view"},
      {"%s", {static_cast<const char*>(nullptr)}, ""},
      {"%5s|", {"abc"}, "  abc|"},
      {"%-5s|", {"abc"}, "abc  |"},
      {"%.2s", {"abc"}, "ab"},
      {"%.9s", {"abc"}, "abc"},
      {"%.2s", {"\xC3\xA4\xC3\xB6\xC3\xBC"}, "\xC3\xA4\xC3\xB6"},     // never cut inside
      {"%4s|", {"\xC3\xA4\xE2\x82\xAC"}, "  \xC3\xA4\xE2\x82\xAC|"},  // width in code points
      {"%s and %s", {"x", "y"}, "x and y"},
  });
}

TEST(Format, PercentIndexAndStar) {
  ExpectFormats({
      {"%%", {}, "%"},
      {"100%% of %d%%", {5}, "100% of 5%"},
      {"no directives", {1}, "no directives"},
      {"", {}, ""},
      {"%1:s %0:s", {"a", "b"}, "b a"},
      {"%d %d %0:d %d", {1, 2}, "1 2 1 2"},
      {"%1:-4d|", {1, 2}, "2   |"},
      {"%*d|", {5, 42}, "   42|"},
      {"%-*d|", {5, 42}, "42   |"},
      {"%*d|", {-5, 42}, "42   |"},  // a negative "*" width left-justifies
      {"%.*f", {3, 1.0}, "1.000"},
      {"%.*f", {-1, 1.0}, "1.00"},  // a negative "*" precision means none
      {"%*.*f|", {8, 3, 1.0}, "   1.000|"},
      {"%*:s", {2, "a", "b"}, "b"},
  });
}

TEST(Format, Pointers) {
  int Target = 0;
  const void* P = &Target;
  auto Bits = reinterpret_cast<std::uintptr_t>(P);
  std::string Expected;
  for (int Shift = static_cast<int>(8 * sizeof(void*)) - 4; Shift >= 0; Shift -= 4)
    Expected += "0123456789ABCDEF"[(Bits >> Shift) & 0xF];
  EXPECT_EQ(Format("%p", {P}), Expected);
  EXPECT_EQ(Format("%p", {nullptr}), std::string(2 * sizeof(void*), '0'));
}

TEST(Format, Errors) {
  struct Case {
    const char* Fmt;
    std::vector<TVarRec> Args;
    const char* Message;
  };
  const std::vector<Case> Cases = {
      {"%d", {"x"}, "Format '%d' invalid or incompatible with argument"},
      {"a %5.2d b", {1.5}, "Format '%5.2d' invalid or incompatible with argument"},
      {"%u", {1.0}, "Format '%u' invalid or incompatible with argument"},
      {"%x", {"1"}, "Format '%x' invalid or incompatible with argument"},
      {"%s", {1}, "Format '%s' invalid or incompatible with argument"},
      {"%s", {1.0}, "Format '%s' invalid or incompatible with argument"},
      {"%f", {"1"}, "Format '%f' invalid or incompatible with argument"},
      {"%p", {1}, "Format '%p' invalid or incompatible with argument"},
      {"%k", {1}, "Format '%k' invalid or incompatible with argument"},
      {"%5.2m", {1.0}, "Format '%5.2m' invalid or incompatible with argument"},
      {"%\xC3\xA9", {1}, "Format '%\xC3\xA9' invalid or incompatible with argument"},
      {"50 %", {}, "Format '%' invalid or incompatible with argument"},
      {"%-5", {1}, "Format '%-5' invalid or incompatible with argument"},
      {"%5-d", {1}, "Format '%5-' invalid or incompatible with argument"},
      {"%*d", {"5", 1}, "Format '%*d' invalid or incompatible with argument"},
      {"%.*f", {2.0, 1.0}, "Format '%.*f' invalid or incompatible with argument"},
      {"%70000d", {1}, "Format '%70000d' invalid or incompatible with argument"},
      {"%.99999999999999999999f", {1.0}, "Format '%.99999999999999999999f' invalid or incompatible with argument"},
      {"%*d", {std::numeric_limits<std::int64_t>::min(), 1}, "Format '%*d' invalid or incompatible with argument"},
      {"%d", {}, "No argument for format '%d'"},
      {"%d %s", {1}, "No argument for format '%s'"},
      {"%2:d", {1, 2}, "No argument for format '%2:d'"},
      {"%*d", {5}, "No argument for format '%*d'"},
      {"%*:d", {-1, 5}, "No argument for format '%*:d'"},
  };
  for (const Case& C : Cases)
    EXPECT_EQ(MessageOf<EConvertError>([&] { Format(C.Fmt, C.Args); }), C.Message) << C.Fmt;
}

// A short format may repeat a wide directive, or a long argument, many times: what its
// directives write beyond the text of the string arguments stops at kMaxFormatResult.
TEST(Format, TheDirectivesOfOneFormatWriteABoundedText) {
  std::string Wide;
  for (int I = 0; I < 256; ++I) Wide += "%0:65536d";  // 16 MiB of padding exactly
  EXPECT_EQ(Format(Wide, {1}).size(), kMaxFormatResult);
  EXPECT_EQ(MessageOf<EConvertError>([&] { Format(Wide + "%0:d", {1}); }), "Format '%0:d' makes the text too long");
  // A long argument is written whole, and again while the bound allows.
  const std::string Long(kMaxFormatResult / 2, 'x');
  EXPECT_EQ(Format("%s", {Long}).size(), Long.size());
  EXPECT_EQ(Format("%0:s%0:s%0:s", {Long}).size(), 3 * Long.size());
  EXPECT_EQ(MessageOf<EConvertError>([&] { Format("%0:s%0:s%0:s%0:s", {Long}); }),
            "Format '%0:s' makes the text too long");
  // Literal text is the format's own and does not count.
  EXPECT_EQ(Format(std::string(kMaxFormatResult, 'y') + "%s", {"z"}).size(), kMaxFormatResult + 1);
}

// The message of a format error is filled by hand, so a replaced text that is itself a bad
// format cannot make the error raise another error.
TEST(Format, ErrorMessageDoesNotReformat) {
  SetResStringText(SInvalidFormat.Name, "bad %d (%s) at 100%%, %s");
  std::string Message = MessageOf<EConvertError>([] { Format("%k", {}); });
  ResetResStringText(SInvalidFormat.Name);
  EXPECT_EQ(Message, "bad %d (%k) at 100%, %s");
}

class FormatSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { FSaved = FormatSettings(); }
  void TearDown() override { FormatSettings() = FSaved; }
  TFormatSettings FSaved;
};

TEST_F(FormatSettingsTest, DefaultsAreFullStopAndComma) {
  EXPECT_EQ(FSaved.DecimalSeparator, '.');
  EXPECT_EQ(FSaved.ThousandSeparator, ',');
  EXPECT_EQ(TFormatSettings::Invariant().DecimalSeparator, '.');
  EXPECT_EQ(TFormatSettings::Invariant().ThousandSeparator, ',');
}

TEST_F(FormatSettingsTest, ProcessWideSeparatorsApplyUnlessInvariantIsGiven) {
  FormatSettings().DecimalSeparator = ',';
  FormatSettings().ThousandSeparator = '.';
  EXPECT_EQ(Format("%.4f", {0.5}), "0,5000");
  EXPECT_EQ(Format("%.4f", {0.5}, TFormatSettings::Invariant()), "0.5000");
  EXPECT_EQ(Format("%n", {1234.5}), "1.234,50");
  EXPECT_EQ(Format("%.3e", {1.5}), "1,50E+000");
  EXPECT_EQ(Format("%g", {1.5}), "1,5");
  EXPECT_EQ(FloatToStr(0.25), "0,25");
  EXPECT_EQ(FloatToStr(0.25, TFormatSettings::Invariant()), "0.25");

  double V = 0;
  EXPECT_TRUE(TryStrToFloat("1,5", V));
  EXPECT_EQ(V, 1.5);
  EXPECT_FALSE(TryStrToFloat("1.5", V));  // only the settings' separator
  EXPECT_TRUE(TryStrToFloat("2.5", V, TFormatSettings::Invariant()));
  EXPECT_EQ(V, 2.5);
}

TEST_F(FormatSettingsTest, NoThousandSeparatorWhenItIsNul) {
  FormatSettings().ThousandSeparator = '\0';
  EXPECT_EQ(Format("%.0n", {1234567}), "1234567");
}

TEST(IntToStr, Values) {
  EXPECT_EQ(IntToStr(0), "0");
  EXPECT_EQ(IntToStr(-15), "-15");
  EXPECT_EQ(IntToStr(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808");
}

TEST(FloatToStr, ShortestTextAndExponentForm) {
  struct Case {
    double Value;
    const char* Expected;
  };
  const Case Cases[] = {
      {0.0, "0"},
      {-0.0, "0"},
      {1.0, "1"},
      {-2.5, "-2.5"},
      {0.1, "0.1"},
      {0.1 + 0.2, "0.30000000000000004"},
      {100.0, "100"},
      {1e15, "1000000000000000"},
      {1e16, "1E+16"},
      {1e20, "1E+20"},
      {1.2345678901234568e20, "1.2345678901234568E+20"},
      {0.00001, "0.00001"},
      {0.000015, "0.000015"},
      {0.0000015, "1.5E-6"},
      {1.5e-7, "1.5E-7"},
      {std::numeric_limits<double>::max(), "1.7976931348623157E+308"},
      {std::numeric_limits<double>::denorm_min(), "5E-324"},
      {kNaN, "NAN"},
      {kInf, "INF"},
      {-kInf, "-INF"},
  };
  for (const Case& C : Cases)
    EXPECT_EQ(FloatToStr(C.Value, TFormatSettings::Invariant()), C.Expected) << C.Expected;
}

TEST(FloatToStr, ReadsBackExactly) {
  std::vector<double> Values = {0.1,     1.0 / 3,  2.0 / 3e10, 123456.789, 9007199254740993.0,
                                1e-300,  5e-324,   1.7e308,    0.000012345, 4.35,
                                -1e-5,   -123e45,  2.2250738585072014e-308};
  // Plus a spread of bit patterns from a fixed generator, so every exponent range is covered.
  std::uint64_t State = 0x9E3779B97F4A7C15u;
  for (int I = 0; I < 2000; ++I) {
    State = State * 6364136223846793005u + 1442695040888963407u;
    double V;
    std::memcpy(&V, &State, sizeof V);
    if (std::isfinite(V)) Values.push_back(V);
  }
  for (double V : Values) {
    std::string Text = FloatToStr(V, TFormatSettings::Invariant());
    double Back = -1;
    ASSERT_TRUE(TryStrToFloat(Text, Back, TFormatSettings::Invariant())) << Text;
    EXPECT_EQ(std::memcmp(&Back, &V, sizeof V), 0) << Text;
  }
}

TEST(TryStrToFloat, Accepts) {
  struct Case {
    const char* Text;
    double Expected;
  };
  const Case Cases[] = {
      {"1", 1},          {" 1.5 ", 1.5},      {"-2.5e3", -2500}, {"+.5", 0.5},
      {"1.", 1},         {"1E-2", 0.01},      {"\t3\r\n", 3},    {"007", 7},
      {"0.0", 0},        {"1e+2", 100},       {"1e-400", 0},     {"1.7976931348623157e308", 1.7976931348623157e308},
      {"0.000000000000000000000000000000000000000000000000000000000000000001e70", 10000},
  };
  for (const Case& C : Cases) {
    double V = -1;
    EXPECT_TRUE(TryStrToFloat(C.Text, V, TFormatSettings::Invariant())) << C.Text;
    EXPECT_EQ(V, C.Expected) << C.Text;
  }
  double V = 1;
  EXPECT_TRUE(TryStrToFloat("-1e-400", V, TFormatSettings::Invariant()));
  EXPECT_TRUE(V == 0 && std::signbit(V));  // underflow keeps the sign
}

// Decimals written plainly ([sign] digits "." digits) are the numbers texts hold most; each
// must read as the correctly rounded value, bit for bit what from_chars gives, on both sides of
// fifteen digits and with leading zeros.
TEST(TryStrToFloat, PlainDecimalsReadCorrectlyRounded) {
  std::uint64_t State = 0x243F6A8885A308D3u;
  auto Next = [&State](std::uint64_t Bound) {
    State = State * 6364136223846793005u + 1442695040888963407u;
    return (State >> 11) % Bound;
  };
  for (int I = 0; I < 20000; ++I) {
    std::string Text = Next(4) == 0 ? "-" : (Next(8) == 0 ? "+" : "");
    const std::uint64_t IntDigits = 1 + Next(9);
    const std::uint64_t FracDigits = 1 + Next(9);
    for (std::uint64_t D = 0; D < IntDigits; ++D) Text += static_cast<char>('0' + (D == 0 && Next(2) ? 0 : Next(10)));
    Text += '.';
    for (std::uint64_t D = 0; D < FracDigits; ++D) Text += static_cast<char>('0' + Next(10));
    const std::string Plain = Text[0] == '+' ? Text.substr(1) : Text;
    double Expected = 0;
    std::from_chars(Plain.data(), Plain.data() + Plain.size(), Expected);
    double V = 7;
    ASSERT_TRUE(TryStrToFloat(Text, V, TFormatSettings::Invariant())) << Text;
    EXPECT_EQ(std::memcmp(&V, &Expected, sizeof V), 0) << Text;
  }
  double V = 1;
  EXPECT_TRUE(TryStrToFloat("-0.000", V, TFormatSettings::Invariant()));
  EXPECT_TRUE(V == 0 && std::signbit(V));
}

TEST(TryStrToFloat, RejectsAndLeavesValueAlone) {
  const char* Cases[] = {"",    " ",    "1e",   "1e+",  ".",     "-",      "+",   "nan",
                         "NAN", "inf",  "-inf", "infinity", "0x1p3", "$10", "1,5", "1.5.2",
                         "1 2", "e5",   "1e400", "-1e400", "1e99999999999", "--1", "+-1",
                         "1.5f", ".e1",  "1e1.5", "1_000"};
  for (const char* Text : Cases) {
    double V = 7;
    EXPECT_FALSE(TryStrToFloat(Text, V, TFormatSettings::Invariant())) << Text;
    EXPECT_EQ(V, 7) << Text;
  }
}

TEST(StrToFloat, RaisesWithMessage) {
  EXPECT_EQ(StrToFloat(" 4.25", TFormatSettings::Invariant()), 4.25);
  EXPECT_EQ(MessageOf<EConvertError>([] { StrToFloat("abc"); }),
            "'abc' is not a valid floating point value");
}

TEST(TryStrToInt64, AcceptsDecimalAndHex) {
  struct Case {
    const char* Text;
    std::int64_t Expected;
  };
  const Case Cases[] = {
      {"42", 42},          {" -42 ", -42},   {"+7", 7},          {"$FF", 255},
      {"0x1f", 31},        {"0XAb", 171},    {"-$10", -16},      {"-0", 0},
      {"9223372036854775807", std::numeric_limits<std::int64_t>::max()},
      {"-9223372036854775808", std::numeric_limits<std::int64_t>::min()},
      {"$7FFFFFFFFFFFFFFF", std::numeric_limits<std::int64_t>::max()},
      // Plain digits are read at once up to 18 of them, the general way beyond.
      {"000000000000000042", 42},   {"0000000000000000042", 42},
      {"999999999999999999", 999999999999999999}, {"1000000000000000000", 1000000000000000000},
  };
  for (const Case& C : Cases) {
    std::int64_t V = -1;
    EXPECT_TRUE(TryStrToInt64(C.Text, V)) << C.Text;
    EXPECT_EQ(V, C.Expected) << C.Text;
  }
}

TEST(TryStrToInt64, Rejects) {
  const char* Cases[] = {"",    " ",   "-",   "$",     "0x",     "9223372036854775808",
                         "-9223372036854775809", "$FFFFFFFFFFFFFFFF", "1.0", "12a", "1 2",
                         "0x-1", "$-1", "--1", "0x0x1", "1e3"};
  for (const char* Text : Cases) {
    std::int64_t V = 7;
    EXPECT_FALSE(TryStrToInt64(Text, V)) << Text;
    EXPECT_EQ(V, 7) << Text;
  }
}

TEST(TryStrToInt, RangeIsThirtyTwoBits) {
  std::int32_t V = 0;
  EXPECT_TRUE(TryStrToInt("2147483647", V));
  EXPECT_EQ(V, 2147483647);
  EXPECT_TRUE(TryStrToInt("-2147483648", V));
  EXPECT_EQ(V, std::numeric_limits<std::int32_t>::min());
  EXPECT_TRUE(TryStrToInt("$7FFFFFFF", V));
  EXPECT_EQ(V, 2147483647);
  V = 5;
  EXPECT_FALSE(TryStrToInt("2147483648", V));
  EXPECT_FALSE(TryStrToInt("-2147483649", V));
  EXPECT_FALSE(TryStrToInt("$FFFFFFFF", V));  // no wrapping to -1
  EXPECT_EQ(V, 5);
}

TEST(StrToInt, RaisesWithMessage) {
  EXPECT_EQ(StrToInt(" 12 "), 12);
  EXPECT_EQ(StrToInt64("-$8000000000000000"), std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(MessageOf<EConvertError>([] { StrToInt("x1"); }), "'x1' is not a valid integer value");
  EXPECT_EQ(MessageOf<EConvertError>([] { StrToInt64("99999999999999999999"); }),
            "'99999999999999999999' is not a valid integer value");
}

}  // namespace
}  // namespace tarnwick
