// Trimming, ASCII case folding and comparison, the locale-aware comparisons, and UTF-8
// decoding and encoding.
#include "tarnwick/platform/SysUtils.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <locale>


namespace tarnwick {
namespace {

// Bytes are tested as unsigned values: with a signed char every byte of a multibyte sequence
// would compare below ' ' and be trimmed away.
constexpr bool IsTrimmed(char C) noexcept { return static_cast<unsigned char>(C) <= ' '; }

constexpr unsigned char FoldUpper(char C) noexcept {
  auto B = static_cast<unsigned char>(C);
  return B >= 'a' && B <= 'z' ? static_cast<unsigned char>(B - ('a' - 'A')) : B;
}

constexpr bool IsContinuation(unsigned char B) noexcept { return (B & 0xC0) == 0x80; }

// CompareStr and CompareText, which the classic locale's comparisons run too: as functions of
// this file only, so that neither pays for a call through the exported entry point.
int CompareBytes(std::string_view S1, std::string_view S2) noexcept {
  // std::string_view::compare uses char_traits<char>::compare, which compares as unsigned char.
  int R = S1.compare(S2);
  return R < 0 ? -1 : R > 0 ? 1 : 0;
}

int CompareFolded(std::string_view S1, std::string_view S2) noexcept {
  std::size_t N = std::min(S1.size(), S2.size());
  for (std::size_t I = 0; I < N; ++I) {
    unsigned char A = FoldUpper(S1[I]), B = FoldUpper(S2[I]);
    if (A != B) return A < B ? -1 : 1;
  }
  return S1.size() < S2.size() ? -1 : S1.size() > S2.size() ? 1 : 0;
}

int CollateIn(const std::locale& Locale, std::string_view S1, std::string_view S2) {
  const int R = std::use_facet<std::collate<char>>(Locale).compare(S1.data(), S1.data() + S1.size(), S2.data(),
                                                                   S2.data() + S2.size());
  return R < 0 ? -1 : R > 0 ? 1 : 0;
}

// S with every code point turned to upper case by Ctype. Code points that a wchar_t cannot
// hold keep their case.
std::string FoldUpperIn(const std::ctype<wchar_t>& Ctype, std::string_view S) {
  constexpr auto kWideMax = static_cast<std::uint32_t>(std::numeric_limits<wchar_t>::max());
  std::string Result;
  Result.reserve(S.size());
  std::size_t Pos = 0;
  while (Pos < S.size()) {
    const std::size_t Start = Pos;
    const auto B = static_cast<unsigned char>(S[Pos]);
    const char32_t Ch = B < 0x80 ? (++Pos, B) : Utf8DecodeNext(S, Pos);
    if (Ch == kUtf8Replacement && Pos - Start == 1) {
      Result += S[Start];  // no code point: the byte as it is
      continue;
    }
    if (static_cast<std::uint32_t>(Ch) > kWideMax) {
      Result.append(S.substr(Start, Pos - Start));
      continue;
    }
    Utf8Append(Result, static_cast<char32_t>(Ctype.toupper(static_cast<wchar_t>(Ch))));
  }
  return Result;
}

bool IsClassicLocale(const std::locale& Locale) noexcept {
  static const std::locale& Classic = std::locale::classic();
  return Locale == Classic;
}

// The innermost locale scope of this thread. Every comparison inside a search or a sort reads
// it: in the initial-exec model that is one load, without a call into the dynamic linker.
[[gnu::tls_model("initial-exec")]] thread_local const TLocaleScope* tLocaleScope = nullptr;

int CompareIn(const std::locale& Locale, std::string_view S1, std::string_view S2, bool IgnoreCase) {
  if (!IgnoreCase) return CollateIn(Locale, S1, S2);
  const auto& Ctype = std::use_facet<std::ctype<wchar_t>>(Locale);
  return CollateIn(Locale, FoldUpperIn(Ctype, S1), FoldUpperIn(Ctype, S2));
}

// Every case but the classic locale inside a scope: out of line, so that that case stays a load,
// a test and the byte comparison. Outside a scope the global locale is asked for here;
// constructing it and comparing it with the classic one take no lock and no atomic operation
// while it is the classic one.
[[gnu::noinline]] int CompareInGlobalLocale(const TLocaleScope* Scope, std::string_view S1,
                                            std::string_view S2, bool IgnoreCase) {
  if (Scope != nullptr) return CompareIn(Scope->GetLocale(), S1, S2, IgnoreCase);
  const std::locale Locale;
  if (IsClassicLocale(Locale)) return IgnoreCase ? CompareFolded(S1, S2) : CompareBytes(S1, S2);
  return CompareIn(Locale, S1, S2, IgnoreCase);
}

}  // namespace

std::string Trim(std::string_view S) {
  std::size_t First = 0, Last = S.size();
  while (First < Last && IsTrimmed(S[First])) ++First;
  while (Last > First && IsTrimmed(S[Last - 1])) --Last;
  return std::string(S.substr(First, Last - First));
}

std::string TrimLeft(std::string_view S) {
  std::size_t First = 0;
  while (First < S.size() && IsTrimmed(S[First])) ++First;
  return std::string(S.substr(First));
}

std::string TrimRight(std::string_view S) {
  std::size_t Last = S.size();
  while (Last > 0 && IsTrimmed(S[Last - 1])) --Last;
  return std::string(S.substr(0, Last));
}

std::string UpperCase(std::string_view S) {
  std::string Result(S);
  for (char& C : Result) C = static_cast<char>(FoldUpper(C));
  return Result;
}

std::string LowerCase(std::string_view S) {
  std::string Result(S);
  for (char& C : Result)
    if (C >= 'A' && C <= 'Z') C = static_cast<char>(C + ('a' - 'A'));
  return Result;
}

int CompareStr(std::string_view S1, std::string_view S2) noexcept { return CompareBytes(S1, S2); }

int CompareText(std::string_view S1, std::string_view S2) noexcept { return CompareFolded(S1, S2); }

bool SameText(std::string_view S1, std::string_view S2) noexcept {
  return S1.size() == S2.size() && CompareText(S1, S2) == 0;
}

bool StartsText(std::string_view ASubText, std::string_view AText) noexcept {
  return ASubText.size() <= AText.size() && SameText(ASubText, AText.substr(0, ASubText.size()));
}

int AnsiCompareStr(std::string_view S1, std::string_view S2) {
  const TLocaleScope* Scope = tLocaleScope;
  if (Scope != nullptr && Scope->IsClassic()) return CompareBytes(S1, S2);
  return CompareInGlobalLocale(Scope, S1, S2, /*IgnoreCase=*/false);
}

int AnsiCompareText(std::string_view S1, std::string_view S2) {
  const TLocaleScope* Scope = tLocaleScope;
  if (Scope != nullptr && Scope->IsClassic()) return CompareFolded(S1, S2);
  return CompareInGlobalLocale(Scope, S1, S2, /*IgnoreCase=*/true);
}

TLocaleScope::TLocaleScope() : FClassic(IsClassicLocale(FLocale)), FOuter(tLocaleScope) { tLocaleScope = this; }

TLocaleScope::~TLocaleScope() { tLocaleScope = FOuter; }

std::string StringOfChar(char Ch, std::ptrdiff_t Count) {
  return Count > 0 ? std::string(static_cast<std::size_t>(Count), Ch) : std::string();
}

char32_t Utf8DecodeNext(std::string_view S, std::size_t& Pos) noexcept {
  if (Pos >= S.size()) return kUtf8Replacement;
  auto B0 = static_cast<unsigned char>(S[Pos]);
  if (B0 < 0x80) {
    ++Pos;
    return B0;
  }
  // Length and the smallest value of each sequence length reject overlong forms.
  std::size_t Len;
  char32_t Ch, Min;
  if (B0 >= 0xC2 && B0 <= 0xDF) {
    Len = 2, Ch = B0 & 0x1F, Min = 0x80;
  } else if (B0 >= 0xE0 && B0 <= 0xEF) {
    Len = 3, Ch = B0 & 0x0F, Min = 0x800;
  } else if (B0 >= 0xF0 && B0 <= 0xF4) {
    Len = 4, Ch = B0 & 0x07, Min = 0x10000;
  } else {
    ++Pos;  // continuation byte, C0/C1 or F5..FF: never starts a sequence
    return kUtf8Replacement;
  }
  if (S.size() - Pos < Len) {
    ++Pos;
    return kUtf8Replacement;
  }
  for (std::size_t I = 1; I < Len; ++I) {
    auto B = static_cast<unsigned char>(S[Pos + I]);
    if (!IsContinuation(B)) {
      ++Pos;
      return kUtf8Replacement;
    }
    Ch = (Ch << 6) | (B & 0x3F);
  }
  if (Ch < Min || Ch > 0x10FFFF || (Ch >= 0xD800 && Ch <= 0xDFFF)) {
    ++Pos;
    return kUtf8Replacement;
  }
  Pos += Len;
  return Ch;
}

std::size_t Utf8CodePointCount(std::string_view S) noexcept {
  std::size_t Count = 0;
  for (std::size_t Pos = 0; Pos < S.size(); ++Count) {
    if (static_cast<unsigned char>(S[Pos]) < 0x80)
      ++Pos;  // ASCII fast path
    else
      Utf8DecodeNext(S, Pos);
  }
  return Count;
}

std::string_view Utf8Truncate(std::string_view S, std::size_t Count) noexcept {
  std::size_t Pos = 0;
  for (std::size_t I = 0; I < Count && Pos < S.size(); ++I) Utf8DecodeNext(S, Pos);
  return S.substr(0, Pos);
}

std::string Utf8Encode(char32_t Ch) {
  std::string R;
  Utf8Append(R, Ch);
  return R;
}

}  // namespace tarnwick
