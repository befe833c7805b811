// TExpressionOperand: a text as it reads as one operand of a combined expression, without
// copying it first; and the name of an operation on a number whose digits are already written.
// Internal to the model.
#ifndef TARNWICK_MODEL_DETAIL_EXPRESSIONOPERAND_H_
#define TARNWICK_MODEL_DETAIL_EXPRESSIONOPERAND_H_

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

#include "tarnwick/model/FuzzyConsts.h"

namespace tarnwick::detail {

// CreateFuzzyName(Name, Op, Value), where Number is Value as AppendFixedText writes it with the
// usual decimals and a full stop (as an expression writes it): the usual format reuses those
// digits instead of writing them again (FuzzyConsts.cpp).
std::string FuzzyNameWithNumber(std::string_view Name, std::string_view Op, TFzyFloat Value, std::string_view Number);

// FormatFuzzyExpression(S), told before anything is written: Text is S trimmed, or S itself
// when it goes between the current brackets. S must outlive the operand.
struct TExpressionOperand {
  std::string_view Text;
  bool Bracketed;

  static TExpressionOperand Of(std::string_view S);  // FuzzyConsts.cpp
  std::size_t Size() const noexcept;
  void AppendTo(std::string& Out) const;
  // Writes the Size() characters at Out and returns the place after them.
  char* CopyTo(char* Out) const noexcept {
    if (Bracketed) Out = CopyText(Out, LeftFuzzyParentheses);
    Out = CopyText(Out, Text);
    return Bracketed ? CopyText(Out, RightFuzzyParentheses) : Out;
  }

  static char* CopyText(char* Out, std::string_view S) noexcept {
    if (!S.empty()) std::memcpy(Out, S.data(), S.size());
    return Out + S.size();
  }
};

// "Left Op Right", as the combined expression of an operation on two operands (or on one and a
// number) is written, sized and written once.
inline std::string JoinOperation(const TExpressionOperand& Left, std::string_view Op, const TExpressionOperand& Right) {
  std::string Result(Left.Size() + Op.size() + 2 + Right.Size(), ' ');
  char* Out = Left.CopyTo(Result.data()) + 1;
  Out = TExpressionOperand::CopyText(Out, Op) + 1;
  Right.CopyTo(Out);
  return Result;
}

}  // namespace tarnwick::detail

#endif  // TARNWICK_MODEL_DETAIL_EXPRESSIONOPERAND_H_
