// A small host program: reads a definition file into a fuzzy logic component, prints its
// variables back as definition text, and evaluates the expressions given after the file,
// each written "VARIABLE: EXPRESSION", showing the resulting set and its crisp value.
//
//   tarnwick_demo greenhouse.fzl "temperature: very warm" "vent: half or wide"
//
// An error prints its message (parse errors name their line) and ends with exit code 1; a
// wrong command line ends with exit code 2.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "tarnwick/Tarnwick.h"
#include "tarnwick/model/FuzzyLogicComponent.h"
#include "tarnwick/parser/KVFuzzyLogicParser.h"
#include "tarnwick/platform/Strings.h"

using namespace tarnwick;

namespace {

bool ReadFile(const char* Path, std::string& Text) {
  std::ifstream In(Path, std::ios::binary);
  if (!In) return false;
  std::ostringstream S;
  S << In.rdbuf();
  Text = S.str();
  return true;
}

std::string Trim(const std::string& S) {
  const std::size_t First = S.find_first_not_of(" \t");
  if (First == std::string::npos) return {};
  return S.substr(First, S.find_last_not_of(" \t") - First + 1);
}

// "VARIABLE: EXPRESSION": the set of the expression and its defuzzified value.
void Evaluate(TFuzzyLogic& Logic, TKVFuzzyLogicParser& Parser, const std::string& Argument) {
  const std::size_t Colon = Argument.find(':');
  if (Colon == std::string::npos) throw EFzyException("expected VARIABLE: EXPRESSION, got \"" + Argument + "\"");
  TFuzzyVariable* Variable = Logic.GetItems()->GetItemByName(Trim(Argument.substr(0, Colon)));
  const std::string Expression = Trim(Argument.substr(Colon + 1));
  TFuzzySet* Result = nullptr;
  const TFzyFloat Value = Parser.EvalFuzzyExpression(Variable, Expression, Result);
  std::printf("\n%s: %s\n", Variable->GetName().c_str(), Expression.c_str());
  if (Result == nullptr) {
    std::printf("  no set\n");
    return;
  }
  std::printf("  set    %s\n", Parser.PrettyPrint(Result, false).c_str());
  std::printf("  points %s\n", Result->GetValuesToString().c_str());
  std::printf("  value  %.4f %s\n", Value, Variable->GetUnits().c_str());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s DEFINITION-FILE [\"VARIABLE: EXPRESSION\" ...]\n", argv[0]);
    return 2;
  }
  std::string Text;
  if (!ReadFile(argv[1], Text)) {
    std::fprintf(stderr, "cannot read %s\n", argv[1]);
    return 2;
  }

  TFuzzyLogic Logic(nullptr);
  TKVFuzzyLogicParser Parser(nullptr);
  Logic.SetParser(&Parser);
  Parser.SetFuzzyLogic(&Logic);
  Logic.SetAutoTerms(false);
  try {
    TStringList Lines;
    Lines.SetText(Text);
    Logic.SetStrings(&Lines);
    // The text as the model prints it, not as it was written.
    Logic.UpdateStrings();
    std::printf("%s", Logic.GetStrings()->GetText().c_str());
    for (int I = 2; I < argc; ++I) Evaluate(Logic, Parser, argv[I]);
  } catch (const Exception& E) {
    std::fprintf(stderr, "%s: %s\n", argv[1], E.what());
    return 1;
  }
  return 0;
}
