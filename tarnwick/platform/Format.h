// printf-style formatting over checked arguments, and locale-independent number conversion.
//
// Format copies its format text, replacing each directive
//   "%" [index ":"] ["-"] [width] ["." precision] type        or "%%" for one '%'
// by the text of one argument. Arguments are taken in order; "index:" (counted from 0) moves
// to another argument, and the directives after it go on from there. Width and precision are
// decimal numbers or "*", which takes them from the next argument (an integer). A negative
// "*" width means left-justified; a negative "*" precision means none. The type letter is
// case-insensitive:
//   d  integer in decimal; precision = minimum number of digits, zero-padded after the sign
//   u  integer as unsigned decimal (a negative value shows its bit pattern in its own width)
//   x  integer as upper-case hexadecimal; precision = minimum number of digits
//   f  fixed point, precision decimals (default 2)
//   n  as f, with thousand separators
//   e  scientific, precision significant digits (default 15): "1.23450000000000E+003"
//   g  the shorter of fixed and scientific, precision significant digits (default 15),
//      no trailing zeros: fixed while the decimal exponent lies in -5 .. precision-1
//   s  string; precision = maximum number of code points
//   p  pointer as hexadecimal, two digits per byte of a pointer
// f n e g accept integers and floats, d u x only integers, s only strings, p only pointers.
// Floats round correctly from their exact binary value (a tie goes to the even digit); NaN
// and infinities read "NAN", "INF", "-INF"; a result that rounds to zero has no minus sign.
// Width pads with blanks on the left, or on the right after "-", up to width code points.
// Width and precision are at most kMaxFormatField.
//
// A directive that is unknown, cut short, too wide, or does not fit its argument raises
// EConvertError with SInvalidFormat; one without an argument raises it with SArgumentMissing;
// the directive that makes the directives' text longer than kMaxFormatResult plus the length
// of all string arguments raises it with SFormatTooLong (a short format that repeats a wide
// directive or a long argument could otherwise ask for gigabytes); the messages quote the
// directive. The format text is never handed to a C formatting
// function, so a host may set any format text. Floats use the separators of the settings
// given, the process-wide FormatSettings() when none is given.
#ifndef TARNWICK_PLATFORM_FORMAT_H_
#define TARNWICK_PLATFORM_FORMAT_H_

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

#include "tarnwick/platform/Export.h"

namespace tarnwick {

struct TARNWICK_PLATFORM_EXPORT TFormatSettings {
  char DecimalSeparator = '.';
  char ThousandSeparator = ',';

  // Full stop and comma, whatever the process-wide settings are.
  static const TFormatSettings& Invariant() noexcept;
};

// The process-wide settings; a host may change them (not while other threads format).
TARNWICK_PLATFORM_EXPORT TFormatSettings& FormatSettings() noexcept;

// One argument of Format: a string, an integer, a floating-point number or a pointer. It refers
// to the text of a string argument, which must outlive the Format call (a temporary does).
// An integer remembers the width and signedness of its own type, so that %u and %x show a
// negative 32-bit value as its 32-bit pattern and %d shows a large unsigned 64-bit value whole.
class TVarRec {
 public:
  enum TKind : std::uint8_t { vkString, vkInteger, vkFloat, vkPointer };

  TVarRec(std::string_view S) noexcept : FKind(vkString), FString(S) {}
  TVarRec(const std::string& S) noexcept : FKind(vkString), FString(S) {}
  TVarRec(const char* S) noexcept : FKind(vkString), FString(S ? S : "") {}
  template <typename I, std::enable_if_t<std::is_integral_v<I> && !std::is_same_v<I, bool> &&
                                             !std::is_same_v<I, char>, int> = 0>
  TVarRec(I V) noexcept
      : FKind(vkInteger),
        FIntSize(static_cast<std::uint8_t>(sizeof(I))),
        FIntUnsigned(std::is_unsigned_v<I>),
        FInteger(static_cast<std::int64_t>(V)) {}
  TVarRec(double V) noexcept : FKind(vkFloat), FFloat(V) {}
  TVarRec(float V) noexcept : FKind(vkFloat), FFloat(V) {}
  TVarRec(long double V) noexcept : FKind(vkFloat), FFloat(static_cast<double>(V)) {}
  TVarRec(const void* P) noexcept : FKind(vkPointer), FPointer(P) {}
  TVarRec(std::nullptr_t) noexcept : FKind(vkPointer) {}

  TKind Kind() const noexcept { return FKind; }
  std::string_view AsString() const noexcept { return FString; }
  // The integer value; an unsigned 64-bit value above INT64_MAX reads back wrapped.
  std::int64_t AsInteger() const noexcept { return FInteger; }
  // The bit pattern of the integer in the width of its own type.
  std::uint64_t AsUnsigned() const noexcept {
    auto Bits = static_cast<std::uint64_t>(FInteger);
    return FIntSize >= 8 ? Bits : Bits & ((std::uint64_t{1} << (8 * FIntSize)) - 1);
  }
  bool IsUnsigned() const noexcept { return FIntUnsigned; }
  double AsFloat() const noexcept { return FFloat; }
  const void* AsPointer() const noexcept { return FPointer; }

 private:
  TKind FKind;
  std::uint8_t FIntSize = 8;
  bool FIntUnsigned = false;
  std::string_view FString;
  std::int64_t FInteger = 0;
  double FFloat = 0;
  const void* FPointer = nullptr;
};

// The largest width or precision a directive may ask for.
inline constexpr std::int32_t kMaxFormatField = 65536;
// What the directives of one format may write beyond the text of its string arguments.
inline constexpr std::size_t kMaxFormatResult = 16 * 1024 * 1024;

TARNWICK_PLATFORM_EXPORT std::string Format(std::string_view Fmt, std::span<const TVarRec> Args,
                                            const TFormatSettings& Settings);
TARNWICK_PLATFORM_EXPORT std::string Format(std::string_view Fmt, std::span<const TVarRec> Args);

inline std::string Format(std::string_view Fmt, std::initializer_list<TVarRec> Args,
                          const TFormatSettings& Settings) {
  return Format(Fmt, std::span<const TVarRec>(Args.begin(), Args.size()), Settings);
}
inline std::string Format(std::string_view Fmt, std::initializer_list<TVarRec> Args) {
  return Format(Fmt, std::span<const TVarRec>(Args.begin(), Args.size()));
}

// Appends Value as the directive "%.<Precision>f" writes it with Settings (0 <= Precision <=
// kMaxFormatField): the same text as Format gives, without reading a format. For the library's
// own fixed formats on paths that run often.
TARNWICK_PLATFORM_EXPORT void AppendFixedText(std::string& Out, double Value, std::int32_t Precision,
                                              const TFormatSettings& Settings);

// Decimal text of an integer.
TARNWICK_PLATFORM_EXPORT std::string IntToStr(std::int64_t Value);
// The shortest text that reads back as exactly Value, with Settings' decimal separator: plain
// digits while the decimal exponent lies in -5 .. 15 ("0.00001", "1000000000000000", "0.1"),
// else a mantissa and a signed exponent of as few digits as needed ("1E+16", "1.5E-7").
// NaN and infinities read "NAN", "INF", "-INF"; negative zero reads "0".
TARNWICK_PLATFORM_EXPORT std::string FloatToStr(double Value, const TFormatSettings& Settings);
TARNWICK_PLATFORM_EXPORT std::string FloatToStr(double Value);

// Read a whole text as a number; blanks and control characters around it are allowed. The Try
// forms return false and leave Value alone on failure; the others raise EConvertError with
// SInvalidFloat or SInvalidInteger quoting S.
// A float is [sign] digits [separator [digits]] | [sign] separator digits, then optionally
// ("e" | "E") [sign] digits, where the separator is Settings' DecimalSeparator and nothing else
// (the process-wide settings when none are given). "inf", "nan" and hexadecimal floats are
// not numbers; a value beyond the double range fails, one too small for it reads as zero.
// An integer is [sign] decimal digits, or [sign] "$" or "0x" followed by hexadecimal digits;
// a value outside the target type's range fails (hexadecimal included: no wrapping).
TARNWICK_PLATFORM_EXPORT bool TryStrToFloat(std::string_view S, double& Value,
                                            const TFormatSettings& Settings);
TARNWICK_PLATFORM_EXPORT bool TryStrToFloat(std::string_view S, double& Value);
TARNWICK_PLATFORM_EXPORT double StrToFloat(std::string_view S, const TFormatSettings& Settings);
TARNWICK_PLATFORM_EXPORT double StrToFloat(std::string_view S);
TARNWICK_PLATFORM_EXPORT bool TryStrToInt64(std::string_view S, std::int64_t& Value);
TARNWICK_PLATFORM_EXPORT bool TryStrToInt(std::string_view S, std::int32_t& Value);
TARNWICK_PLATFORM_EXPORT std::int32_t StrToInt(std::string_view S);
TARNWICK_PLATFORM_EXPORT std::int64_t StrToInt64(std::string_view S);

}  // namespace tarnwick

#endif  // TARNWICK_PLATFORM_FORMAT_H_
