// libFuzzer target for the expression evaluator: the input is an expression over one small
// variable, evaluated through the string entry point and defuzzified in both model forms, after
// the logic's Variables list of bindings: the input up to its first NUL byte, when it holds one
// (the expression is the rest), else a fixed list. Every refusal must be a tarnwick::Exception,
// with the same message in both forms, and both forms must give the same set (name, points)
// and the same crisp value. Except for texts with quotes or escapes: through those an operand
// can name a set the evaluation itself made (the quoted "2" after the number 2), which the
// collection form finds among its variable's items and the interface form, which finds only
// terms, refuses.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tarnwick/model/FuzzyLogicComponent.h"
#include "tarnwick/model/FuzzySet.h"
#include "tarnwick/model/FuzzyVariable.h"
#include "tarnwick/model/IFuzzyLogic.h"
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

// A logic component of either form with its parser and Bindings, the definition read (a fixed
// text: an exception here is a finding too). A fresh model per input, so that no input
// depends on the ones before.
template <typename TLogic>
struct TModel {
  explicit TModel(const std::string& Bindings) {
    Logic.SetParser(&Parser);
    Parser.SetFuzzyLogic(&Logic);
    Logic.GetVariables()->SetText(Bindings);
    TStringList Lines;
    Lines.SetText(kDefinition);
    Logic.SetStrings(&Lines);
  }
  TLogic Logic{nullptr};
  TKVFuzzyLogicParser Parser{nullptr};
};

// What an evaluation gave: the refusal's message, or the set's name, points and value.
struct TOutcome {
  std::string Error;
  std::string Name;
  std::string Points;
  TFzyFloat Value = 0;
};

template <typename TSetRef>
void Describe(const TSetRef& Set, TOutcome& Out) {
  if (!Set) return;
  Out.Name = Set->GetName();
  Out.Points = Set->GetValuesToString();
  Out.Value = Set->Defuzzify();
  volatile TFzyFloat Moment = Set->MeanOfMaxima();
  (void)Moment;
}

[[noreturn]] void Finding(const std::string& Input, const TOutcome& A, const TOutcome& B) {
  std::fprintf(stderr,
               "FORMS DIFFER\n--- input ---\n%s\n--- collection form ---\n%s\n%s\n%s\n%.17g\n"
               "--- interface form ---\n%s\n%s\n%s\n%.17g\n",
               Input.c_str(), A.Error.c_str(), A.Name.c_str(), A.Points.c_str(), A.Value, B.Error.c_str(),
               B.Name.c_str(), B.Points.c_str(), B.Value);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string Input(reinterpret_cast<const char*>(Data), Size);
  const std::size_t Nul = Input.find('\0');
  const std::string Bindings = Nul == std::string::npos ? "x=very warm\ny=?x or cold\nz=?z" : Input.substr(0, Nul);
  const std::string Expression = Nul == std::string::npos ? Input : Input.substr(Nul + 1);
  TOutcome Owned;
  TOutcome Counted;
  {
    TModel<TFuzzyLogic> Model(Bindings);
    try {
      Describe(Model.Parser.EvalFuzzyExpression(Model.Logic.GetItems()->GetItem(0), Expression), Owned);
    } catch (const Exception& E) {
      Owned.Error = E.what();
    }
  }
  {
    TModel<TIFuzzyLogic> Model(Bindings);
    try {
      Describe(Model.Parser.EvalFuzzyExpression(Model.Logic.GetItems()->Get("t").get(), Expression), Counted);
    } catch (const Exception& E) {
      Counted.Error = E.what();
    }
  }
  if (Input.find_first_of("\"\\") != std::string::npos) return 0;
  const bool SameValue = Owned.Value == Counted.Value || (std::isnan(Owned.Value) && std::isnan(Counted.Value));
  if (Owned.Error != Counted.Error || Owned.Name != Counted.Name || Owned.Points != Counted.Points || !SameValue)
    Finding(Input, Owned, Counted);
  return 0;
}
