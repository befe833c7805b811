// The Format directive interpreter, float and integer text conversion, and the format settings.
//
// Digits come from std::to_chars, which rounds correctly from the exact binary value and never
// consults the C locale; separators, signs, padding and exponent forms are laid out here.
#include "tarnwick/platform/Format.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <system_error>

#include "tarnwick/platform/Exceptions.h"
#include "tarnwick/platform/ResStrings.h"
#include "tarnwick/platform/SysUtils.h"

namespace tarnwick {

const TFormatSettings& TFormatSettings::Invariant() noexcept {
  static const TFormatSettings Settings{'.', ','};
  return Settings;
}

TFormatSettings& FormatSettings() noexcept {
  static TFormatSettings Settings{'.', ','};
  return Settings;
}

namespace {

// The message Res with its first "%s" replaced by Arg and "%%" read as '%'. Filled by hand,
// not through Format: a host may have replaced the text with one that Format would reject,
// and the error about that must not raise again.
std::string FillMessage(const TResString& Res, std::string_view Arg) {
  const std::string Text = LoadResString(Res);
  std::string Result;
  Result.reserve(Text.size() + Arg.size());
  bool Filled = false;
  for (std::size_t I = 0; I < Text.size(); ++I) {
    if (Text[I] == '%' && I + 1 < Text.size()) {
      if (Text[I + 1] == '%') {
        Result += '%';
        ++I;
        continue;
      }
      if (Text[I + 1] == 's' && !Filled) {
        Result += Arg;
        Filled = true;
        ++I;
        continue;
      }
    }
    Result += Text[I];
  }
  return Result;
}

[[noreturn]] void RaiseConvert(const TResString& Res, std::string_view Arg) {
  throw EConvertError(FillMessage(Res, Arg));
}

// ---- digits ----------------------------------------------------------------------------------

std::string UnsignedDigits(std::uint64_t Value, int Base) {
  char Buf[64];
  auto R = std::to_chars(Buf, Buf + sizeof Buf, Value, Base);
  std::string S(Buf, R.ptr);
  if (Base == 16)
    for (char& C : S)
      if (C >= 'a' && C <= 'f') C = static_cast<char>(C - ('a' - 'A'));
  return S;
}

bool AllZeroDigits(std::string_view S) {
  for (char C : S)
    if (C >= '1' && C <= '9') return false;
  return true;
}

// The significant digits of a finite Value >= 0 and its decimal exponent: Value is close to
// D[0].D[1]D[2]... times ten to the Exponent. Precision < 0 asks for the shortest digits that
// read back as Value; otherwise exactly Precision digits, rounded.
struct TDecimalDigits {
  std::string Digits;
  int Exponent = 0;
};

TDecimalDigits ScientificDigits(double Value, int Precision) {
  std::string Buf(static_cast<std::size_t>(Precision < 0 ? 0 : Precision) + 40, '\0');
  char* First = Buf.data();
  char* Last = First + Buf.size();
  auto R = Precision < 0 ? std::to_chars(First, Last, Value, std::chars_format::scientific)
                         : std::to_chars(First, Last, Value, std::chars_format::scientific,
                                         Precision > 0 ? Precision - 1 : 0);
  // R.ptr is within Buf: the buffer holds every digit plus sign, point and exponent.
  std::string_view Text(First, static_cast<std::size_t>(R.ptr - First));
  std::size_t E = Text.find('e');
  TDecimalDigits D;
  for (char C : Text.substr(0, E))
    if (C != '.') D.Digits += C;
  std::string_view Exp = Text.substr(E + 1);
  if (!Exp.empty() && Exp[0] == '+') Exp.remove_prefix(1);
  std::from_chars(Exp.data(), Exp.data() + Exp.size(), D.Exponent);
  return D;
}

// Digits laid out without an exponent, e.g. "1234.5", "0.00012".
std::string PlainForm(const TDecimalDigits& D, char Sep) {
  const std::string& S = D.Digits;
  std::string R;
  if (D.Exponent >= 0) {
    auto IntLen = static_cast<std::size_t>(D.Exponent) + 1;
    if (S.size() <= IntLen) {
      R = S;
      R.append(IntLen - S.size(), '0');
    } else {
      R.assign(S, 0, IntLen);
      R += Sep;
      R.append(S, IntLen);
    }
  } else {
    R.push_back('0');
    R.push_back(Sep);
    R.append(static_cast<std::size_t>(-D.Exponent - 1), '0');
    R += S;
  }
  return R;
}

// Digits laid out as a mantissa and an exponent with its sign and at least MinExpDigits digits,
// e.g. "1.5E-7" or "1.50E+003".
std::string ExponentForm(const TDecimalDigits& D, char Sep, int MinExpDigits) {
  std::string R(1, D.Digits[0]);
  if (D.Digits.size() > 1) {
    R += Sep;
    R.append(D.Digits, 1);
  }
  R += 'E';
  R += D.Exponent < 0 ? '-' : '+';
  std::string Exp = UnsignedDigits(static_cast<std::uint64_t>(std::abs(D.Exponent)), 10);
  if (static_cast<int>(Exp.size()) < MinExpDigits)
    R.append(static_cast<std::size_t>(MinExpDigits) - Exp.size(), '0');
  R += Exp;
  return R;
}

void StripTrailingZeros(TDecimalDigits& D) {
  std::size_t N = D.Digits.find_last_not_of('0');
  D.Digits.resize(N == std::string::npos ? 1 : N + 1);
}

// "NAN", "INF", "-INF" for a value that has no digits, else empty.
const char* NonFiniteText(double Value) {
  if (std::isnan(Value)) return "NAN";
  if (std::isinf(Value)) return Value < 0 ? "-INF" : "INF";
  return nullptr;
}

// Prefixes the minus sign of a negative value unless its digits rounded to zero: "-0.0000"
// would claim a sign the printed number does not have.
std::string Signed(bool Negative, std::string Body) {
  if (Negative && !AllZeroDigits(Body)) Body.insert(Body.begin(), '-');
  return Body;
}

// The fixed-point digits of Abs (finite, not negative) with Precision decimals, as
// std::to_chars writes them ("123.4500", "0", no exponent), for the usual case of a value below
// 2^64 / 10^Precision and at most nine decimals: Abs times ten to the Precision is rounded to
// an integer exactly (to the nearer one, a tie to the even one, as to_chars does) and written
// out. Returns the end of the digits, or nullptr when the value is outside that case.
char* FixedDigitsFast(char* Buf, double Abs, int Precision) noexcept {
  static constexpr std::uint64_t kPowers[] = {1,         10,         100,         1000,         10000,
                                              100000,    1000000,    10000000,    100000000,    1000000000};
  if (Precision < 0 || Precision > 9) return nullptr;
  __extension__ typedef unsigned __int128 TUInt128;  // a GCC and clang extension
  const auto Bits = std::bit_cast<std::uint64_t>(Abs);
  const auto Field = static_cast<int>(Bits >> 52);
  const std::uint64_t Fraction = Bits & ((std::uint64_t{1} << 52) - 1);
  const std::uint64_t Mantissa = Field == 0 ? Fraction : Fraction | (std::uint64_t{1} << 52);
  const int Exponent = (Field == 0 ? 1 : Field) - 1075;  // Abs = Mantissa * 2^Exponent
  const std::uint64_t Scale = kPowers[Precision];
  const TUInt128 Scaled = static_cast<TUInt128>(Mantissa) * Scale;  // below 2^83
  TUInt128 N;
  if (Exponent >= 0) {
    if (Exponent >= 40) return nullptr;
    N = Scaled << Exponent;
  } else if (Exponent <= -128) {
    N = 0;  // below 2^-45: far from a half
  } else {
    const int Shift = -Exponent;
    N = Scaled >> Shift;
    const TUInt128 Rest = Scaled & ((TUInt128{1} << Shift) - 1);
    const TUInt128 Half = TUInt128{1} << (Shift - 1);
    if (Rest > Half || (Rest == Half && (N & 1) != 0)) ++N;
  }
  if (N >> 64 != 0) return nullptr;
  const auto Whole = static_cast<std::uint64_t>(N);
  // Four decimals, the library's own format, divide by a constant the compiler turns into a
  // multiplication.
  const std::uint64_t Integral = Precision == 4 ? Whole / 10000 : Whole / Scale;
  char* P = std::to_chars(Buf, Buf + 24, Integral).ptr;
  if (Precision == 0) return P;
  *P++ = '.';
  std::uint64_t Decimals = Whole - Integral * Scale;
  for (int I = Precision; I-- > 0;) {
    P[I] = static_cast<char>('0' + Decimals % 10);
    Decimals /= 10;
  }
  return P + Precision;
}

// Appends Value with Precision decimals. The digits are laid out in a buffer on the stack
// unless the precision asks for more room than it has.
void AppendFixed(std::string& Out, double Value, int Precision, const TFormatSettings& Settings, bool Thousands) {
  if (!Thousands && Precision <= 9 && std::isfinite(Value)) {
    // The usual case at once: the digits with the separator in place, and the sign as below.
    char Buf[48];
    char* End = FixedDigitsFast(Buf + 1, std::fabs(Value), Precision);
    if (End != nullptr) {
      if (Precision > 0) End[-Precision - 1] = Settings.DecimalSeparator;
      char* Begin = Buf + 1;
      if (std::signbit(Value) && !AllZeroDigits(std::string_view(Begin, static_cast<std::size_t>(End - Begin))))
        *--Begin = '-';
      Out.append(Begin, End);
      return;
    }
  }
  if (const char* Text = NonFiniteText(Value)) {
    Out += Text;
    return;
  }
  double Abs = std::fabs(Value);
  // The integer part of a double has at most 309 digits.
  const std::size_t Room = static_cast<std::size_t>(Precision) + 320;
  char Stack[400];
  std::string Heap;
  char* Buf = Stack;
  if (Room > sizeof Stack) {
    Heap.resize(Room);
    Buf = Heap.data();
  }
  char* End = FixedDigitsFast(Buf, Abs, Precision);
  if (End == nullptr) End = std::to_chars(Buf, Buf + Room, Abs, std::chars_format::fixed, Precision).ptr;
  std::string_view Text(Buf, static_cast<std::size_t>(End - Buf));
  std::size_t Point = Text.find('.');
  std::string_view IntPart = Text.substr(0, Point);
  const std::size_t Start = Out.size();
  if (Thousands && Settings.ThousandSeparator != '\0') {
    for (std::size_t I = 0; I < IntPart.size(); ++I) {
      if (I > 0 && (IntPart.size() - I) % 3 == 0) Out += Settings.ThousandSeparator;
      Out += IntPart[I];
    }
  } else {
    Out += IntPart;
  }
  if (Point != std::string_view::npos) {
    Out += Settings.DecimalSeparator;
    Out += Text.substr(Point + 1);
  }
  // The sign as Signed gives it, judged on the text as laid out.
  if (std::signbit(Value) && !AllZeroDigits(std::string_view(Out).substr(Start))) Out.insert(Start, 1, '-');
}

std::string ScientificText(double Value, int Precision, const TFormatSettings& Settings) {
  if (const char* Text = NonFiniteText(Value)) return Text;
  TDecimalDigits D = ScientificDigits(std::fabs(Value), Precision < 1 ? 1 : Precision);
  return Signed(std::signbit(Value), ExponentForm(D, Settings.DecimalSeparator, 3));
}

std::string GeneralText(double Value, int Precision, const TFormatSettings& Settings) {
  if (const char* Text = NonFiniteText(Value)) return Text;
  if (Precision < 1) Precision = 1;
  TDecimalDigits D = ScientificDigits(std::fabs(Value), Precision);
  StripTrailingZeros(D);
  std::string Body = D.Exponent >= -5 && D.Exponent < Precision
                         ? PlainForm(D, Settings.DecimalSeparator)
                         : ExponentForm(D, Settings.DecimalSeparator, 1);
  return Signed(std::signbit(Value), std::move(Body));
}

// ---- directives ------------------------------------------------------------------------------

// A number or "*" in a directive. Numbers saturate just above kMaxFormatField, so that a huge
// width is reported instead of wrapping.
struct TField {
  enum : std::uint8_t { fkNone, fkNumber, fkStar } Kind = fkNone;
  std::int32_t Value = 0;
};

bool IsDigit(char C) { return C >= '0' && C <= '9'; }

TField ScanField(std::string_view Fmt, std::size_t& P) {
  TField F;
  if (P < Fmt.size() && Fmt[P] == '*') {
    F.Kind = TField::fkStar;
    ++P;
  } else if (P < Fmt.size() && IsDigit(Fmt[P])) {
    F.Kind = TField::fkNumber;
    for (; P < Fmt.size() && IsDigit(Fmt[P]); ++P)
      if (F.Value <= kMaxFormatField) F.Value = F.Value * 10 + (Fmt[P] - '0');
  }
  return F;
}

// One directive as written, before any argument is looked at.
struct TDirective {
  TField Index, Width, Precision;
  bool LeftJustify = false;
  char Type = '\0';  // lower case; '\0' when the text ends first or the letter is unknown
  std::string_view Text;
};

TDirective ScanDirective(std::string_view Fmt, std::size_t Start, std::size_t& P) {
  TDirective D;
  P = Start + 1;
  TField First = ScanField(Fmt, P);
  if (First.Kind != TField::fkNone && P < Fmt.size() && Fmt[P] == ':') {
    D.Index = First;
    ++P;
    First = TField();
  }
  if (First.Kind == TField::fkNone) {
    if (P < Fmt.size() && Fmt[P] == '-') {
      D.LeftJustify = true;
      ++P;
    }
    D.Width = ScanField(Fmt, P);
  } else {
    D.Width = First;
  }
  if (P < Fmt.size() && Fmt[P] == '.') {
    ++P;
    D.Precision = ScanField(Fmt, P);
    if (D.Precision.Kind == TField::fkNone) D.Precision.Kind = TField::fkNumber;  // "." is ".0"
  }
  if (P < Fmt.size()) {
    char C = Fmt[P];
    if (C >= 'A' && C <= 'Z') C = static_cast<char>(C + ('a' - 'A'));
    switch (C) {
      case 'd': case 'u': case 'x': case 'e': case 'f': case 'g': case 'n': case 's': case 'p':
        D.Type = C;
        ++P;
        break;
      default:
        Utf8DecodeNext(Fmt, P);  // quote the whole offending character
        break;
    }
  }
  D.Text = Fmt.substr(Start, P - Start);
  return D;
}

class TFormatter {
 public:
  TFormatter(std::span<const TVarRec> Args, const TFormatSettings& Settings)
      : FArgs(Args), FSettings(Settings), FLeft(kMaxFormatResult) {
    for (const TVarRec& A : Args)
      if (A.Kind() == TVarRec::vkString) FLeft += A.AsString().size();
  }

  void Directive(const TDirective& D, std::string& Out) {
    FText = D.Text;
    if (D.Type == '\0') RaiseConvert(SInvalidFormat, FText);
    if (D.Index.Kind != TField::fkNone) {
      std::int64_t I = FieldValue(D.Index);
      if (I < 0 || static_cast<std::uint64_t>(I) >= FArgs.size())
        RaiseConvert(SArgumentMissing, FText);
      FNext = static_cast<std::size_t>(I);
    }
    bool Left = D.LeftJustify;
    std::int64_t Width = 0;
    if (D.Width.Kind != TField::fkNone) {
      Width = FieldValue(D.Width);
      if (Width < 0) {
        Left = true;
        Width = Width < -kMaxFormatField ? std::int64_t{kMaxFormatField} + 1 : -Width;
      }
    }
    std::int64_t Precision = -1;
    if (D.Precision.Kind != TField::fkNone) {
      Precision = FieldValue(D.Precision);
      if (Precision < 0) Precision = -1;
    }
    if (Width > kMaxFormatField || Precision > kMaxFormatField)
      RaiseConvert(SInvalidFormat, FText);
    // Without a width the text goes straight to Out; a width needs its length first.
    if (Width == 0) {
      const std::size_t Before = Out.size();
      Convert(Out, D.Type, NextArg(), static_cast<int>(Precision));
      const std::size_t Added = Out.size() - Before;
      if (Added > FLeft) RaiseConvert(SFormatTooLong, FText);
      FLeft -= Added;
      return;
    }
    std::string Body;
    Convert(Body, D.Type, NextArg(), static_cast<int>(Precision));
    std::size_t Len = Utf8CodePointCount(Body);
    auto Pad = static_cast<std::size_t>(Width) > Len ? static_cast<std::size_t>(Width) - Len : 0;
    if (Pad + Body.size() > FLeft) RaiseConvert(SFormatTooLong, FText);
    FLeft -= Pad + Body.size();
    if (!Left) Out.append(Pad, ' ');
    Out += Body;
    if (Left) Out.append(Pad, ' ');
  }

 private:
  const TVarRec& NextArg() {
    if (FNext >= FArgs.size()) RaiseConvert(SArgumentMissing, FText);
    return FArgs[FNext++];
  }

  std::int64_t FieldValue(const TField& F) {
    if (F.Kind == TField::fkNumber) return F.Value;
    const TVarRec& A = NextArg();
    if (A.Kind() != TVarRec::vkInteger) RaiseConvert(SInvalidFormat, FText);
    if (A.IsUnsigned() && A.AsUnsigned() > static_cast<std::uint64_t>(kMaxFormatField))
      return std::int64_t{kMaxFormatField} + 1;  // too big either way, without wrapping
    return A.AsInteger();
  }

  // Appends the text of A to Out. Precision < 0: none given.
  void Convert(std::string& Out, char Type, const TVarRec& A, int Precision) {
    switch (Type) {
      case 'd': case 'u': case 'x': {
        if (A.Kind() != TVarRec::vkInteger) break;
        bool Negative = false;
        std::uint64_t Magnitude = A.AsUnsigned();
        if (Type == 'd' && !A.IsUnsigned() && A.AsInteger() < 0) {
          Negative = true;
          Magnitude = std::uint64_t{0} - static_cast<std::uint64_t>(A.AsInteger());
        }
        std::string Digits = UnsignedDigits(Magnitude, Type == 'x' ? 16 : 10);
        if (Precision > static_cast<int>(Digits.size()))
          Digits.insert(0, static_cast<std::size_t>(Precision) - Digits.size(), '0');
        if (Negative) Digits.insert(Digits.begin(), '-');
        Out += Digits;
        return;
      }
      case 'e': case 'f': case 'g': case 'n': {
        double V;
        if (A.Kind() == TVarRec::vkFloat)
          V = A.AsFloat();
        else if (A.Kind() == TVarRec::vkInteger)
          V = A.IsUnsigned() ? static_cast<double>(A.AsUnsigned())
                             : static_cast<double>(A.AsInteger());
        else
          break;
        switch (Type) {
          case 'e': Out += ScientificText(V, Precision < 0 ? 15 : Precision, FSettings); return;
          case 'g': Out += GeneralText(V, Precision < 0 ? 15 : Precision, FSettings); return;
          default: AppendFixed(Out, V, Precision < 0 ? 2 : Precision, FSettings, Type == 'n'); return;
        }
      }
      case 's':
        if (A.Kind() != TVarRec::vkString) break;
        Out += Precision < 0 ? A.AsString() : Utf8Truncate(A.AsString(), static_cast<std::size_t>(Precision));
        return;
      case 'p': {
        if (A.Kind() != TVarRec::vkPointer) break;
        std::string Digits =
            UnsignedDigits(reinterpret_cast<std::uintptr_t>(A.AsPointer()), 16);
        Digits.insert(0, 2 * sizeof(void*) - Digits.size(), '0');
        Out += Digits;
        return;
      }
      default:
        break;
    }
    RaiseConvert(SInvalidFormat, FText);
  }

  std::span<const TVarRec> FArgs;
  const TFormatSettings& FSettings;
  std::size_t FNext = 0;
  std::size_t FLeft;       // what the directives may still write
  std::string_view FText;  // the directive being interpreted, for messages
};

// Blanks and control characters around a number, as Trim removes them.
std::string_view TrimView(std::string_view S) {
  while (!S.empty() && static_cast<unsigned char>(S.front()) <= ' ') S.remove_prefix(1);
  while (!S.empty() && static_cast<unsigned char>(S.back()) <= ' ') S.remove_suffix(1);
  return S;
}

bool IsHexDigit(char C) {
  return IsDigit(C) || (C >= 'a' && C <= 'f') || (C >= 'A' && C <= 'F');
}

// Reads S as [sign] decimal or [sign] "$"/"0x" hexadecimal digits into a magnitude that must
// not exceed Limit (a negative value may reach Limit + 1, the most negative of the type).
bool ParseInteger(std::string_view S, std::uint64_t Limit, bool& Negative,
                  std::uint64_t& Magnitude) {
  // Plain decimal digits, as nearly every number of a text is written, are read at once; 18 of
  // them cannot overflow the magnitude.
  if (!S.empty() && S.size() <= 18) {
    std::uint64_t V = 0;
    std::size_t I = 0;
    for (; I < S.size() && IsDigit(S[I]); ++I) V = V * 10 + static_cast<unsigned>(S[I] - '0');
    if (I == S.size()) {
      if (V > Limit) return false;
      Negative = false;
      Magnitude = V;
      return true;
    }
  }
  S = TrimView(S);
  Negative = false;
  if (!S.empty() && (S[0] == '+' || S[0] == '-')) {
    Negative = S[0] == '-';
    S.remove_prefix(1);
  }
  int Base = 10;
  if (!S.empty() && S[0] == '$') {
    Base = 16;
    S.remove_prefix(1);
  } else if (S.size() >= 2 && S[0] == '0' && (S[1] == 'x' || S[1] == 'X')) {
    Base = 16;
    S.remove_prefix(2);
  }
  if (S.empty()) return false;
  for (char C : S)
    if (Base == 10 ? !IsDigit(C) : !IsHexDigit(C)) return false;
  std::uint64_t V = 0;
  auto R = std::from_chars(S.data(), S.data() + S.size(), V, Base);
  if (R.ec != std::errc() || R.ptr != S.data() + S.size()) return false;
  if (V > Limit + (Negative ? 1 : 0)) return false;
  Magnitude = V;
  return true;
}

template <typename T>
bool TryStrToSigned(std::string_view S, T& Value) {
  bool Negative;
  std::uint64_t Magnitude;
  if (!ParseInteger(S, static_cast<std::uint64_t>(std::numeric_limits<T>::max()), Negative,
                    Magnitude))
    return false;
  // Two's complement negation in 64 bits, then a narrowing that keeps the value (C++20).
  std::uint64_t Bits = Negative ? std::uint64_t{0} - Magnitude : Magnitude;
  Value = static_cast<T>(static_cast<std::int64_t>(Bits));
  return true;
}

}  // namespace

std::string Format(std::string_view Fmt, std::span<const TVarRec> Args,
                   const TFormatSettings& Settings) {
  std::string Out;
  std::size_t Room = Fmt.size() + 16;
  for (const TVarRec& A : Args) Room += A.AsString().size();
  Out.reserve(Room);
  TFormatter Formatter(Args, Settings);
  std::size_t I = 0;
  while (I < Fmt.size()) {
    std::size_t Pct = Fmt.find('%', I);
    if (Pct == std::string_view::npos) {
      Out.append(Fmt, I);
      break;
    }
    Out.append(Fmt, I, Pct - I);
    if (Pct + 1 < Fmt.size() && Fmt[Pct + 1] == '%') {
      Out += '%';
      I = Pct + 2;
      continue;
    }
    TDirective D = ScanDirective(Fmt, Pct, I);
    Formatter.Directive(D, Out);
  }
  return Out;
}

std::string Format(std::string_view Fmt, std::span<const TVarRec> Args) {
  return Format(Fmt, Args, FormatSettings());
}

void AppendFixedText(std::string& Out, double Value, std::int32_t Precision, const TFormatSettings& Settings) {
  if (Precision < 0 || Precision > kMaxFormatField) RaiseConvert(SInvalidFormat, "%f");
  AppendFixed(Out, Value, Precision, Settings, false);
}

std::string IntToStr(std::int64_t Value) {
  char Buf[24];
  auto R = std::to_chars(Buf, Buf + sizeof Buf, Value);
  return std::string(Buf, R.ptr);
}

std::string FloatToStr(double Value, const TFormatSettings& Settings) {
  if (const char* Text = NonFiniteText(Value)) return Text;
  TDecimalDigits D = ScientificDigits(std::fabs(Value), -1);
  std::string Body = D.Exponent >= -5 && D.Exponent <= 15
                         ? PlainForm(D, Settings.DecimalSeparator)
                         : ExponentForm(D, Settings.DecimalSeparator, 1);
  return Signed(std::signbit(Value), std::move(Body));
}

std::string FloatToStr(double Value) { return FloatToStr(Value, FormatSettings()); }

namespace {

// The plain decimal form nearly every number in a text has: [sign] digits separator digits, at
// most 15 digits in all. Its digits make an integer below 2^53 and its scale a power of ten up
// to 10^15, both exact doubles, so their quotient is the correctly rounded value of the text,
// which is what from_chars gives. False, leaving Value alone, for any other form.
bool TryPlainDecimal(std::string_view S, char Separator, double& Value) noexcept {
  constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                     1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  constexpr std::size_t kMaxDigits = 15;
  std::size_t P = 0;
  const bool Negative = P < S.size() && S[P] == '-';
  if (P < S.size() && (S[P] == '+' || S[P] == '-')) ++P;
  std::uint64_t Digits = 0;
  std::size_t Count = 0;
  const std::size_t IntStart = P;
  for (; P < S.size() && IsDigit(S[P]); ++P, ++Count) Digits = Digits * 10 + static_cast<unsigned>(S[P] - '0');
  if (P == IntStart || P >= S.size() || S[P] != Separator) return false;
  const std::size_t FracStart = ++P;
  for (; P < S.size() && IsDigit(S[P]); ++P, ++Count) Digits = Digits * 10 + static_cast<unsigned>(S[P] - '0');
  if (P == FracStart || P != S.size() || Count > kMaxDigits) return false;
  const double Magnitude = static_cast<double>(Digits) / kPowersOfTen[P - FracStart];
  Value = Negative ? -Magnitude : Magnitude;
  return true;
}

}  // namespace

bool TryStrToFloat(std::string_view S, double& Value, const TFormatSettings& Settings) {
  S = TrimView(S);
  if (TryPlainDecimal(S, Settings.DecimalSeparator, Value)) return true;
  // Check the grammar here and copy the number in the form from_chars reads: from_chars alone
  // would also take "inf", "nan" and a full stop whatever the settings say.
  std::string Text;
  Text.reserve(S.size());
  std::size_t P = 0;
  if (P < S.size() && (S[P] == '+' || S[P] == '-')) {
    if (S[P] == '-') Text += '-';
    ++P;
  }
  std::size_t MantissaDigits = 0;
  // Decimal exponent of the leading significant digit, to tell overflow from underflow.
  std::int64_t Magnitude = 0;
  bool SeenNonZero = false;
  for (; P < S.size() && IsDigit(S[P]); ++P, ++MantissaDigits) {
    Text += S[P];
    if (SeenNonZero)
      ++Magnitude;
    else if (S[P] != '0')
      SeenNonZero = true;
  }
  if (P < S.size() && S[P] == Settings.DecimalSeparator) {
    Text += '.';
    for (++P; P < S.size() && IsDigit(S[P]); ++P, ++MantissaDigits) {
      Text += S[P];
      if (!SeenNonZero) {
        --Magnitude;
        if (S[P] != '0') SeenNonZero = true;
      }
    }
  }
  if (MantissaDigits == 0) return false;
  if (P < S.size() && (S[P] == 'e' || S[P] == 'E')) {
    Text += 'e';
    ++P;
    bool ExpNegative = false;
    if (P < S.size() && (S[P] == '+' || S[P] == '-')) {
      ExpNegative = S[P] == '-';
      Text += S[P];
      ++P;
    }
    std::size_t ExpStart = P;
    std::int64_t Exp = 0;
    for (; P < S.size() && IsDigit(S[P]); ++P) {
      Text += S[P];
      if (Exp < 100000) Exp = Exp * 10 + (S[P] - '0');  // saturates far beyond the range
    }
    if (P == ExpStart) return false;
    Magnitude += ExpNegative ? -Exp : Exp;
  }
  if (P != S.size()) return false;
  double V = 0;
  auto R = std::from_chars(Text.data(), Text.data() + Text.size(), V);
  if (R.ptr != Text.data() + Text.size()) return false;
  if (R.ec == std::errc::result_out_of_range) {
    // Past the largest double fails; below the smallest reads as a zero of the same sign.
    if (Magnitude >= 0) return false;
    V = Text[0] == '-' ? -0.0 : 0.0;
  } else if (R.ec != std::errc() || std::isinf(V)) {
    return false;
  }
  Value = V;
  return true;
}

bool TryStrToFloat(std::string_view S, double& Value) {
  return TryStrToFloat(S, Value, FormatSettings());
}

double StrToFloat(std::string_view S, const TFormatSettings& Settings) {
  double V;
  if (!TryStrToFloat(S, V, Settings)) RaiseConvert(SInvalidFloat, S);
  return V;
}

double StrToFloat(std::string_view S) { return StrToFloat(S, FormatSettings()); }

bool TryStrToInt64(std::string_view S, std::int64_t& Value) { return TryStrToSigned(S, Value); }

bool TryStrToInt(std::string_view S, std::int32_t& Value) { return TryStrToSigned(S, Value); }

std::int32_t StrToInt(std::string_view S) {
  std::int32_t V;
  if (!TryStrToInt(S, V)) RaiseConvert(SInvalidInteger, S);
  return V;
}

std::int64_t StrToInt64(std::string_view S) {
  std::int64_t V;
  if (!TryStrToInt64(S, V)) RaiseConvert(SInvalidInteger, S);
  return V;
}

}  // namespace tarnwick
