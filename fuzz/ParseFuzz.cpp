// libFuzzer target for the definition-language parser: the input is a definition text given
// to a TFuzzyLogic and to a TIFuzzyLogic through their Strings. Every refusal must be a
// tarnwick::Exception; a text that parses must print, in each form, as a text that parses
// again and prints the same; and both forms must judge a text alike (parse it, or refuse it
// with the same message), unless it gives one variable two terms of one name: the collection
// keeps both, the interface form's table the last, and a later term naming one of them finds
// different sets.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <type_traits>

#include "tarnwick/model/FuzzyLogicComponent.h"
#include "tarnwick/model/FuzzyVariable.h"
#include "tarnwick/model/IFuzzyLogic.h"
#include "tarnwick/parser/KVFuzzyLogicParser.h"
#include "tarnwick/platform/Exceptions.h"
#include "tarnwick/platform/Strings.h"

namespace {

using namespace tarnwick;

// A logic component of either form linked both ways with its parser, with bindings so ?x and
// ?y resolve.
template <typename TLogic>
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
  TLogic Logic{nullptr};
  TKVFuzzyLogicParser Parser{nullptr};
};

[[noreturn]] void Finding(const char* What, const std::string& Input, const std::string& Printed,
                          const std::string& Detail) {
  std::fprintf(stderr, "ROUND TRIP FAILURE: %s\n--- input ---\n%s\n--- printed ---\n%s\n--- detail ---\n%s\n", What,
               Input.c_str(), Printed.c_str(), Detail.c_str());
  std::abort();
}

// Parses Input in the form of TLogic; when it parses, checks that its print reads back and
// prints the same. Returns whether it parsed, and the refusal's message when not.
// Whether a variable of Logic has two Defined sets of one name.
bool HasTwinTerms(const TFuzzyLogic& Logic) {
  for (std::int32_t V = 0; V < Logic.GetItems()->GetCount(); ++V) {
    const TFuzzySets& Sets = *Logic.GetItems()->GetItem(V)->GetItems();
    std::set<std::string> Names;
    for (std::int32_t I = 0; I < Sets.GetCount(); ++I)
      if (Sets[I]->GetDefined() && !Names.insert(Sets[I]->GetName()).second) return true;
  }
  return false;
}

template <typename TLogic>
bool RoundTrip(const std::string& Input, std::string& Error, bool* TwinTerms = nullptr) {
  std::string First;
  {
    TModel<TLogic> Model;
    const bool Parsed = Model.Assign(Input, &Error);
    if constexpr (std::is_same_v<TLogic, TFuzzyLogic>) {
      if (TwinTerms != nullptr) *TwinTerms = HasTwinTerms(Model.Logic);
    }
    if (!Parsed) return false;
    try {
      First = Model.Print();
    } catch (const Exception& E) {
      Finding("printing a parsed model raised", Input, "", E.what());
    }
  }
  TModel<TLogic> Again;
  std::string Refusal;
  if (!Again.Assign(First, &Refusal)) Finding("the printed text does not parse", Input, First, Refusal);
  std::string Second;
  try {
    Second = Again.Print();
  } catch (const Exception& E) {
    Finding("printing the re-parsed model raised", Input, First, E.what());
  }
  if (Second != First) Finding("the second print differs from the first", Input, First, Second);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string Input(reinterpret_cast<const char*>(Data), Size);
  std::string Owned;
  std::string Counted;
  bool TwinTerms = false;
  const bool OwnedParsed = RoundTrip<TFuzzyLogic>(Input, Owned, &TwinTerms);
  const bool CountedParsed = RoundTrip<TIFuzzyLogic>(Input, Counted);
  if (!TwinTerms && (OwnedParsed != CountedParsed || Owned != Counted))
    Finding("the two forms judge the text differently", Input, Owned, Counted);
  return 0;
}
