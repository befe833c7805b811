// libFuzzer target for the definition-language parser: the input is a definition text given
// to a TFuzzyLogic through its Strings. Every refusal must be a tarnwick::Exception; a text
// that parses must print as a text that parses again and prints the same.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tarnwick/model/FuzzyLogicComponent.h"
#include "tarnwick/parser/KVFuzzyLogicParser.h"
#include "tarnwick/platform/Exceptions.h"
#include "tarnwick/platform/Strings.h"

namespace {

using namespace tarnwick;

// A logic component linked both ways with its parser, with bindings so ?x and ?y resolve.
struct TModel {
  TModel() {
    Logic.SetParser(&Parser);
    Parser.SetFuzzyLogic(&Logic);
    Logic.GetVariables()->SetText("x=very warm\ny=?x or cold");
  }
  // Sets Text as the definition text; false when the parser refused it.
  bool Assign(const std::string& Text, std::string* Error) {
    TStringList Lines;
    Lines.SetText(Text);
    try {
      Logic.SetStrings(&Lines);
    } catch (const Exception& E) {
      if (Error != nullptr) *Error = E.what();
      return false;
    }
    return true;
  }
  // Prints the model anew (a read of Strings right after a parse gives the text as written).
  std::string Print() {
    Logic.UpdateStrings();
    return Logic.GetStrings()->GetText();
  }
  TFuzzyLogic Logic{nullptr};
  TKVFuzzyLogicParser Parser{nullptr};
};

[[noreturn]] void Finding(const char* What, const std::string& Input, const std::string& Printed,
                          const std::string& Detail) {
  std::fprintf(stderr, "ROUND TRIP FAILURE: %s\n--- input ---\n%s\n--- printed ---\n%s\n--- detail ---\n%s\n", What,
               Input.c_str(), Printed.c_str(), Detail.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string Input(reinterpret_cast<const char*>(Data), Size);
  std::string First;
  {
    TModel Model;
    if (!Model.Assign(Input, nullptr)) return 0;
    try {
      First = Model.Print();
    } catch (const Exception& E) {
      Finding("printing a parsed model raised", Input, "", E.what());
    }
  }
  TModel Again;
  std::string Error;
  if (!Again.Assign(First, &Error)) Finding("the printed text does not parse", Input, First, Error);
  std::string Second;
  try {
    Second = Again.Print();
  } catch (const Exception& E) {
    Finding("printing the re-parsed model raised", Input, First, E.what());
  }
  if (Second != First) Finding("the second print differs from the first", Input, First, Second);
  return 0;
}
