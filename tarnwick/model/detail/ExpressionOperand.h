// TExpressionOperand: a text as it reads as one operand of a combined expression, without
// copying it first. Internal to the model.
#ifndef TARNWICK_MODEL_DETAIL_EXPRESSIONOPERAND_H_
#define TARNWICK_MODEL_DETAIL_EXPRESSIONOPERAND_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace tarnwick::detail {

// FormatFuzzyExpression(S), told before anything is written: Text is S trimmed, or S itself
// when it goes between the current brackets. S must outlive the operand.
struct TExpressionOperand {
  std::string_view Text;
  bool Bracketed;

  static TExpressionOperand Of(std::string_view S);  // FuzzyConsts.cpp
  std::size_t Size() const noexcept;
  void AppendTo(std::string& Out) const;
};

}  // namespace tarnwick::detail

#endif  // TARNWICK_MODEL_DETAIL_EXPRESSIONOPERAND_H_
