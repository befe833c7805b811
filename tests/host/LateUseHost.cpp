// A host that uses the library from the destructor of a static object it built before the
// library's first use. That destructor runs after the destructors of every static object the
// library made on its first use would have run, so whatever the library needs until the end of
// the process must not be destroyed: the encodings, the replaced message texts, the registry of
// stream classes, the vocabulary. The destructor parses a text with an error and stores and
// reads back a component, as main did while the library was fresh, and prints whether both
// gave the same; the test runs it under the address checker, which sees an object used after
// its destruction.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "tarnwick/Tarnwick.h"

namespace {

using namespace tarnwick;

const char* const kBadDefinition = "(deffuzzy speed (range 0 120)\n  (values (term slow (z 20 50)) (term fast (s 60\n";
const char* const kDefinition = "(deffuzzy speed (range 0 120) (units km/h)\n  (values (term slow (z 20 50))))\n";

// The parser's message for kBadDefinition, the stored form of a logic component with its
// parser, and that form after a read and a second store.
std::string UseTheLibrary() {
  std::string Result;
  {
    TFuzzyLogic Logic(nullptr);
    TKVFuzzyLogicParser Parser(nullptr);
    Logic.SetParser(&Parser);
    Parser.SetFuzzyLogic(&Logic);
    TStringList Text;
    Text.SetText(kBadDefinition);
    try {
      Logic.SetStrings(&Text);
      Result += "no error";
    } catch (const EFzyParseException& E) {
      Result += E.what();
    }
  }
  TComponent Form(nullptr);
  Form.SetName("Form");
  auto* Logic = new TFuzzyLogic(&Form);
  auto* Parser = new TKVFuzzyLogicParser(&Form);
  Logic->SetName("Logic1");
  Parser->SetName("Parser1");
  Logic->SetParser(Parser);
  Parser->SetFuzzyLogic(Logic);
  TStringList Text;
  Text.SetText(kDefinition);
  Logic->SetStrings(&Text);
  const std::string Stored = ComponentToText(&Form);
  const std::unique_ptr<TComponent> Copy(TextToComponent(Stored, nullptr));
  return Result + "\n" + Stored + "\n" + ComponentToText(Copy.get());
}

std::string WhileFresh;

struct TLateUser {
  ~TLateUser() {
    const std::string Late = UseTheLibrary();
    std::printf("late use: %s\n", Late == WhileFresh ? "the same" : "DIFFERENT");
    std::fflush(stdout);
    if (Late != WhileFresh) std::_Exit(1);
  }
};

TLateUser LateUser;  // built before main, before the library's first use

}  // namespace

int main() {
  RegisterFuzzyClasses();
  // A replaced text lives in the library's table of replacements, made here.
  SetResStringText("SFzyExpectedNumber", "Parsing Error, a number was expected here");
  WhileFresh = UseTheLibrary();
  std::printf("%s\n", WhileFresh.c_str());
  return 0;
}
