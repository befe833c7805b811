// TExpressionOperand: a text as it reads as one operand of a combined expression, without
// copying it first; and the name of an operation on a number whose digits are already written.
// Internal to the model.
#ifndef TARNWICK_MODEL_DETAIL_EXPRESSIONOPERAND_H_
#define TARNWICK_MODEL_DETAIL_EXPRESSIONOPERAND_H_

#include <cstddef>
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
};

}  // namespace tarnwick::detail

#endif  // TARNWICK_MODEL_DETAIL_EXPRESSIONOPERAND_H_
