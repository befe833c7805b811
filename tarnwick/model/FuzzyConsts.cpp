// The global strings, naming routines, lookups and the package-wide counter of the fuzzy
// vocabulary.
#include "tarnwick/model/FuzzyConsts.h"

#include <atomic>
#include <cstddef>

#include "tarnwick/model/detail/ExpressionOperand.h"
#include "tarnwick/platform/Format.h"
#include "tarnwick/platform/SysUtils.h"
#include "tarnwick/platform/detail/Immortal.h"

namespace tarnwick {

namespace {
detail::TImmortal<std::string> FuzzyFormatText(kDefaultFuzzyFormat);
detail::TImmortal<std::string> LeftBracket("[");
detail::TImmortal<std::string> RightBracket("]");
detail::TImmortal<std::string> EmptyFuzzyName("__Empty");
}  // namespace

std::string& FuzzyFormatStr = FuzzyFormatText.Get();
std::string& LeftFuzzyParentheses = LeftBracket.Get();
std::string& RightFuzzyParentheses = RightBracket.Get();
std::string& SEmptyFuzzy = EmptyFuzzyName.Get();

EFzyException::~EFzyException() = default;

namespace {

// Byte length of the character starting at S[I], with the library's one notion of a character
// (a UTF-8 sequence, or a single byte where the text is not well-formed).
std::size_t CharLength(std::string_view S, std::size_t I) noexcept {
  if (static_cast<unsigned char>(S[I]) < 0x80) return 1;  // what the decoder says, without asking
  std::size_t Next = I;
  Utf8DecodeNext(S, Next);
  return Next - I;
}

std::string Enclose(std::string_view S) {
  std::string Result;
  Result.reserve(LeftFuzzyParentheses.size() + S.size() + RightFuzzyParentheses.size());
  Result += LeftFuzzyParentheses;
  Result += S;
  Result += RightFuzzyParentheses;
  return Result;
}

bool HasBlank(std::string_view Name) noexcept { return Name.find(' ') != std::string_view::npos; }

// A name with a blank would read as several operands; brackets make it one.
void AppendBracketed(std::string& Out, std::string_view Name) {
  if (!HasBlank(Name)) {
    Out += Name;
    return;
  }
  Out += LeftFuzzyParentheses;
  Out += Name;
  Out += RightFuzzyParentheses;
}

// The room AppendBracketed takes for Name: exactly, so that a short result stays in the
// string's own room.
std::size_t BracketedSize(std::string_view Name) noexcept {
  return HasBlank(Name) ? Name.size() + LeftFuzzyParentheses.size() + RightFuzzyParentheses.size() : Name.size();
}

template <typename Table, typename E>
bool FindIn(const Table& Names, std::string_view S, E& Value) noexcept {
  for (std::size_t I = 0; I < Names.size(); ++I) {
    if (Names[I] == S) {
      Value = static_cast<E>(I);
      return true;
    }
  }
  return false;
}

// Starts at 0 by constant initialization, so a call from any static initializer is safe. The
// arithmetic is unsigned so that wrapping past the largest Integer is defined.
std::atomic<std::uint32_t> UniqueIDCounter{0};

}  // namespace

std::string CreateFuzzyName(TBaseFuzzyHedge Hedge, bool ModifyY, std::string_view Name) {
  std::string Result;
  Result.reserve(BaseHedgeNames[Hedge].size() + 2 + BracketedSize(Name));
  Result += BaseHedgeNames[Hedge];
  Result += ModifyY ? " " : "X ";
  AppendBracketed(Result, Name);
  return Result;
}

std::string CreateFuzzyName(TFuzzyHedge Hedge, std::string_view Name) {
  std::string Result;
  Result.reserve(HedgeNames[Hedge].size() + 1 + BracketedSize(Name));
  Result += HedgeNames[Hedge];
  Result += ' ';
  AppendBracketed(Result, Name);
  return Result;
}

std::string CreateFuzzyName(std::string_view Name1, std::string_view Name2, std::string_view Op) {
  return detail::JoinOperation({Name1, HasBlank(Name1)}, Op, {Name2, HasBlank(Name2)});
}

namespace {

// Name, Op and the number's text, joined as every hedge and correlation name is.
std::string JoinNumberName(std::string_view Name, std::string_view Op, std::string_view Number) {
  return detail::JoinOperation({Name, HasBlank(Name)}, Op, {Number, false});
}

}  // namespace

std::string CreateFuzzyName(std::string_view Name, std::string_view Op, TFzyFloat Value) {
  // Every hedge and correlation names its result so: the usual format is written directly, the
  // characters Format would write for it.
  if (FuzzyFormatStr == kDefaultFuzzyFormat) {
    std::string Number;
    AppendFixedText(Number, Value, kDefaultFuzzyDecimals, FormatSettings());
    return JoinNumberName(Name, Op, Number);
  }
  // The host's format text only ever reaches the checked formatter, never a C printf.
  const std::string Fmt = "%s %s " + FuzzyFormatStr;
  std::string Bracketed;
  std::string_view Operand = Name;
  if (HasBlank(Name)) {
    Bracketed = Enclose(Name);
    Operand = Bracketed;
  }
  return Format(Fmt, {TVarRec(Operand), TVarRec(Op), TVarRec(Value)});
}

namespace detail {

std::string FuzzyNameWithNumber(std::string_view Name, std::string_view Op, TFzyFloat Value, std::string_view Number) {
  // The usual format with a full stop for a separator writes exactly Number.
  if (FuzzyFormatStr == kDefaultFuzzyFormat && FormatSettings().DecimalSeparator == '.')
    return JoinNumberName(Name, Op, Number);
  return CreateFuzzyName(Name, Op, Value);
}


TExpressionOperand TExpressionOperand::Of(std::string_view S) {
  std::size_t First = 0;
  std::size_t Last = S.size();
  while (First < Last && static_cast<unsigned char>(S[First]) <= ' ') ++First;
  while (Last > First && static_cast<unsigned char>(S[Last - 1]) <= ' ') --Last;
  const std::string_view R = S.substr(First, Last - First);  // as Trim gives it
  if (R.find(' ') == std::string_view::npos) return {R, false};

  // R is not empty here (it holds a blank between non-blanks). Characters are compared with the
  // whole bracket strings, so a bracket longer than one character never matches.
  if (LeftFuzzyParentheses.size() == 1 && RightFuzzyParentheses.size() == 1 &&
      static_cast<unsigned char>(LeftFuzzyParentheses[0]) < 0x80 &&
      static_cast<unsigned char>(RightFuzzyParentheses[0]) < 0x80) {
    // Brackets of one ASCII byte, the usual ones: no byte of a longer character equals one, so
    // the bytes are compared as they are. With one at each end and the blank between them, R
    // has more than two characters.
    const char Left = LeftFuzzyParentheses[0];
    const char Right = RightFuzzyParentheses[0];
    if (R.front() != Left || R.back() != Right) return {S, true};
    std::int32_t Depth = 1;
    for (std::size_t I = 1; I < R.size(); ++I) {
      const char C = R[I];
      if (C == Left) {
        ++Depth;
      } else if (C == Right) {
        --Depth;
        if (Depth == 0 && I + 1 < R.size()) return {S, true};
      }
    }
    return {R, false};
  }
  const std::size_t FirstLength = CharLength(R, 0);
  std::size_t Count = 0;
  std::size_t LastStart = 0;
  for (std::size_t I = 0; I < R.size(); I += CharLength(R, I)) {
    LastStart = I;
    ++Count;
  }
  const std::string_view View = R;
  if (Count > 2 && View.substr(0, FirstLength) == LeftFuzzyParentheses &&
      View.substr(LastStart) == RightFuzzyParentheses) {
    // Depth 1 stands for the opening bracket; reaching 0 before the last character means the
    // first group closes early, as in "[a] and [b]". Were both brackets the same string, every
    // bracket would count as opening and the text would stay one group.
    std::int32_t Depth = 1;
    for (std::size_t I = FirstLength; I < R.size();) {
      const std::size_t Length = CharLength(R, I);
      const std::string_view C = View.substr(I, Length);
      if (C == LeftFuzzyParentheses) {
        ++Depth;
      } else if (C == RightFuzzyParentheses) {
        --Depth;
        if (Depth == 0 && I + Length < R.size()) return {S, true};
      }
      I += Length;
    }
    return {R, false};
  }
  return {S, true};
}

std::size_t TExpressionOperand::Size() const noexcept {
  return Bracketed ? LeftFuzzyParentheses.size() + Text.size() + RightFuzzyParentheses.size() : Text.size();
}

void TExpressionOperand::AppendTo(std::string& Out) const {
  if (!Bracketed) {
    Out += Text;
    return;
  }
  Out += LeftFuzzyParentheses;
  Out += Text;
  Out += RightFuzzyParentheses;
}

}  // namespace detail

std::string FormatFuzzyExpression(std::string_view S) {
  const detail::TExpressionOperand Operand = detail::TExpressionOperand::Of(S);
  std::string Result;
  Result.reserve(Operand.Size());
  Operand.AppendTo(Result);
  return Result;
}

bool IsFuzzyHedge(std::string_view S) noexcept {
  TFuzzyHedge Ignored;
  return FindIn(HedgeNames, S, Ignored);
}

bool IsFuzzyHedge(std::string_view S, TFuzzyHedge& Hedge) noexcept { return FindIn(HedgeNames, S, Hedge); }

bool IsFuzzyCorrelation(std::string_view S, TFuzzyCorrelationMethod& Method) noexcept {
  return FindIn(FuzzyCorrelationNames, S, Method);
}

bool IsFuzzyInference(std::string_view S, TFuzzyInferenceMethod& Method) noexcept {
  return FindIn(FuzzyInferenceNames, S, Method);
}

bool IsFuzzyOperation(std::string_view S, TFuzzyOperation& Op) noexcept {
  return FindIn(FuzzyOperationNames, S, Op);
}

bool IsFuzzyHedgeOperator(std::string_view S) noexcept {
  TBaseFuzzyHedge IgnoredHedge;
  bool IgnoredModifyY;
  return IsFuzzyHedgeOperator(S, IgnoredHedge, IgnoredModifyY);
}

bool IsFuzzyHedgeOperator(std::string_view S, TBaseFuzzyHedge& Hedge, bool& ModifyY) noexcept {
  for (std::size_t I = 0; I < BaseHedgeNames.size(); ++I) {
    const std::string_view Name = BaseHedgeNames[I];
    if (S == Name) {
      Hedge = static_cast<TBaseFuzzyHedge>(I);
      ModifyY = true;
      return true;
    }
    if (S.size() == Name.size() + 1 && S.back() == 'X' && S.substr(0, Name.size()) == Name) {
      Hedge = static_cast<TBaseFuzzyHedge>(I);
      ModifyY = false;
      return true;
    }
  }
  return false;
}

bool IsFuzzyKeyword(std::string_view S, bool& IsUnion, TFuzzyOperation& Op) noexcept {
  IsUnion = true;
  for (std::size_t I = 0; I < FuzzyIntersectionKeywords.size(); ++I) {
    if (S == FuzzyIntersectionKeywords[I]) {
      IsUnion = false;
      Op = static_cast<TFuzzyOperation>(I);
      return true;
    }
    if (S == FuzzyUnionKeywords[I]) {
      Op = static_cast<TFuzzyOperation>(I);
      return true;
    }
  }
  return false;
}

std::int32_t GetUniqueID() noexcept {
  return static_cast<std::int32_t>(UniqueIDCounter.fetch_add(1, std::memory_order_relaxed) + 1u);
}

}  // namespace tarnwick
