// The parser component's published properties and the registration of the library's
// component classes for streaming.
#include "tarnwick/parser/FuzzyClasses.h"

#include "tarnwick/model/FuzzyLogicComponent.h"
#include "tarnwick/model/IFuzzyLogicComponent.h"
#include "tarnwick/parser/KVFuzzyLogicParser.h"
#include "tarnwick/platform/ComponentStreaming.h"
#include "tarnwick/platform/TypInfo.h"

namespace tarnwick {

// FuzzyLogic is a reference, resolved once the whole tree is read; the host links the logic
// component's own Parser in the same stream.
const TClassInfo* TKVFuzzyLogicParser::ClassInfo() const {
  using P = TKVFuzzyLogicParser;
  static const TPropInfo Props[] = {
      Property<&P::GetFuzzyLogic, &P::SetFuzzyLogic>("FuzzyLogic"),
      Property<&P::GetOnCalcFuzzyFunction, &P::SetOnCalcFuzzyFunction>("OnCalcFuzzyFunction"),
      Property<&P::GetOnEvalExpression, &P::SetOnEvalExpression>("OnEvalExpression"),
      Property<&P::GetOnEvalExpressionIntf, &P::SetOnEvalExpressionIntf>("OnEvalExpressionIntf"),
      Property<&P::GetOnParseFuzzySet, &P::SetOnParseFuzzySet>("OnParseFuzzySet"),
      Property<&P::GetOnParseFuzzySetIntf, &P::SetOnParseFuzzySetIntf>("OnParseFuzzySetIntf"),
      Property<&P::GetOnParseFuzzyVariableIntf, &P::SetOnParseFuzzyVariableIntf>("OnParseFuzzyVariableIntf"),
      Property<&P::GetOnParseFuzzyVariable, &P::SetOnParseFuzzyVariable>("OnParseFuzzyVariable")};
  static const TClassInfo Info(TComponent::ClassInfo(), Props);
  return &Info;
}

void RegisterFuzzyClasses() {
  RegisterClass<TFuzzyLogic>();
  RegisterClass<TIFuzzyLogic>();
  RegisterClass<TKVFuzzyLogicParser>();
}

}  // namespace tarnwick
