// libFuzzer target for the expression evaluator: the input is an expression over one small
// variable, evaluated through the string entry point and defuzzified, after the logic's
// Variables list of bindings: the input up to its first NUL byte, when it holds one (the
// expression is the rest), else a fixed list. Every refusal must be a tarnwick::Exception.
#include <cstdint>
#include <string>

#include "tarnwick/model/FuzzyLogicComponent.h"
#include "tarnwick/model/FuzzySet.h"
#include "tarnwick/model/FuzzyVariable.h"
#include "tarnwick/parser/KVFuzzyLogicParser.h"
#include "tarnwick/platform/Exceptions.h"
#include "tarnwick/platform/Strings.h"

namespace {

using namespace tarnwick;

// Terms of every kind of value: points, a call, an expression; bindings of both kinds.
constexpr const char* kDefinition =
    "(deffuzzy t (range 0 100)\n"
    "  (values\n"
    "    (term cold ((0 1) (40 0)))\n"
    "    (term warm (tri 20 50 80))\n"
    "    (term hot ((60 0) (100 1)))\n"
    "    (term mild very warm or cold)))\n";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string Input(reinterpret_cast<const char*>(Data), Size);
  const std::size_t Nul = Input.find('\0');
  const std::string Bindings = Nul == std::string::npos ? "x=very warm\ny=?x or cold\nz=?z" : Input.substr(0, Nul);
  const std::string Expression = Nul == std::string::npos ? Input : Input.substr(Nul + 1);
  // A fresh model per input, so that no input depends on the ones before.
  TFuzzyLogic Logic(nullptr);
  TKVFuzzyLogicParser Parser(nullptr);
  Logic.SetParser(&Parser);
  Parser.SetFuzzyLogic(&Logic);
  Logic.GetVariables()->SetText(Bindings);
  TStringList Lines;
  Lines.SetText(kDefinition);
  Logic.SetStrings(&Lines);  // a fixed text: an exception here is a finding too
  TFuzzyVariable* Variable = Logic.GetItems()->GetItem(0);
  try {
    TFuzzySet* Set = Parser.EvalFuzzyExpression(Variable, Expression);
    if (Set != nullptr) {
      volatile TFzyFloat Value = Set->Defuzzify();
      (void)Value;
      volatile TFzyFloat Moment = Set->MeanOfMaxima();
      (void)Moment;
    }
  } catch (const Exception&) {
  }
  return 0;
}
