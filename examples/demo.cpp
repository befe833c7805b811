// A small host program: reads a definition file into both forms of the fuzzy model, the owned
// one (TFuzzyLogic, whose variables own their sets) and the counted one (TIFuzzyLogic, whose
// variables and sets are reference-counted objects reached through IFuzzyVariable and
// IFuzzySet). It prints the variables back as definition text, tells whether the counted form
// prints each variable as the owned form does, and evaluates the expressions given after the
// file, each written "VARIABLE: EXPRESSION", in both forms, showing the resulting set and its
// crisp value.
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
#include "tarnwick/model/IFuzzyLogic.h"
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

// "VARIABLE: EXPRESSION" split at its colon.
void Split(const std::string& Argument, std::string& Variable, std::string& Expression) {
  const std::size_t Colon = Argument.find(':');
  if (Colon == std::string::npos) throw EFzyException("expected VARIABLE: EXPRESSION, got \"" + Argument + "\"");
  Variable = Trim(Argument.substr(0, Colon));
  Expression = Trim(Argument.substr(Colon + 1));
}

void Show(const char* Form, const std::string& SetText, const std::string& Points, TFzyFloat Value,
          const std::string& Units) {
  std::printf("  %-7s set    %s\n", Form, SetText.c_str());
  std::printf("  %-7s points %s\n", "", Points.c_str());
  std::printf("  %-7s value  %.4f %s\n", "", Value, Units.c_str());
}

// The set of the expression and its defuzzified value, in the owned form: the result is a set
// of the variable's collection, which frees it with the rest.
void EvaluateOwned(TFuzzyLogic& Logic, TKVFuzzyLogicParser& Parser, const std::string& Name,
                   const std::string& Expression) {
  TFuzzyVariable* Variable = Logic.GetItems()->GetItemByName(Name);
  TFuzzySet* Result = nullptr;
  const TFzyFloat Value = Parser.EvalFuzzyExpression(Variable, Expression, Result);
  if (Result == nullptr) {
    std::printf("  owned   no set\n");
    return;
  }
  Show("owned", Parser.PrettyPrint(Result, false), Result->GetValuesToString(), Value, Variable->GetUnits());
}

// The same in the counted form: the result is a counted set that no variable holds; it dies
// with the last reference, here at the end of the function.
void EvaluateCounted(TIFuzzyLogic& Logic, TKVFuzzyLogicParser& Parser, const std::string& Name,
                     const std::string& Expression) {
  Intf<IFuzzyVariable> Variable = Logic.GetItems()->Get(Name);
  Intf<IFuzzySet> Result;
  const TFzyFloat Value = Parser.EvalFuzzyExpression(Variable.get(), Expression, Result);
  if (!Result) {
    std::printf("  counted no set\n");
    return;
  }
  Show("counted", Parser.PrettyPrint(Result.get(), false), Result->GetValuesToString(), Value, Variable->GetUnits());
}

// Reads Text into Logic through its Strings, as a host does.
void Read(TCustomFuzzyLogic& Logic, const std::string& Text) {
  TStringList Lines;
  Lines.SetText(Text);
  Logic.SetStrings(&Lines);
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

  // Each logic component has a parser of its own: a parser serves one component.
  TFuzzyLogic Owned(nullptr);
  TKVFuzzyLogicParser OwnedParser(nullptr);
  Owned.SetParser(&OwnedParser);
  OwnedParser.SetFuzzyLogic(&Owned);
  Owned.SetAutoTerms(false);

  TIFuzzyLogic Counted(nullptr);
  TKVFuzzyLogicParser CountedParser(nullptr);
  Counted.SetParser(&CountedParser);
  CountedParser.SetFuzzyLogic(&Counted);
  Counted.SetAutoTerms(false);

  try {
    Read(Owned, Text);
    Read(Counted, Text);
    // The text as the model prints it, not as it was written.
    Owned.UpdateStrings();
    std::printf("%s", Owned.GetStrings()->GetText().c_str());

    // The counted form keeps its variables in a table by name, so its Strings list them in the
    // table's order; each variable prints as in the owned form.
    std::printf("\ncounted form: %d variables,", Counted.GetItems()->GetCount());
    int Same = 0;
    for (TCollectionItem* Item : *Owned.GetItems()) {
      auto* Variable = static_cast<TFuzzyVariable*>(Item);
      Intf<IFuzzyVariable> Twin = Counted.GetItems()->ContainsVariable(Variable->GetName());
      if (Twin && CountedParser.PrettyPrint(Twin.get()) == OwnedParser.PrettyPrint(Variable)) ++Same;
    }
    std::printf(" %d of them printed as in the owned form\n", Same);

    for (int I = 2; I < argc; ++I) {
      std::string Name;
      std::string Expression;
      Split(argv[I], Name, Expression);
      std::printf("\n%s: %s\n", Name.c_str(), Expression.c_str());
      EvaluateOwned(Owned, OwnedParser, Name, Expression);
      EvaluateCounted(Counted, CountedParser, Name, Expression);
    }
  } catch (const Exception& E) {
    std::fprintf(stderr, "%s: %s\n", argv[1], E.what());
    return 1;
  }
  return 0;
}
