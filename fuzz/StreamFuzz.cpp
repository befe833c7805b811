// libFuzzer target for component streaming: the input is read as a stored component tree of
// the library's classes. Every refusal must be a tarnwick::Exception and leave nothing behind
// (the sanitizers watch); a tree that reads must write, its text must read again, and reading
// and writing must settle on a text that reads back as itself. (It need not settle at once: a
// read may normalize what the input left out, such as a point without X, which starts past the
// range and is clamped when set; and a point list thins runs of five or more points on one X on
// every bulk change, so each round trip may thin such a run further until none is left.)
//
// The entry function needs nothing of libFuzzer, so a plain driver can replay a corpus with it.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "tarnwick/model/FuzzyInterfaces.h"
#include "tarnwick/model/FuzzyLogicComponent.h"
#include "tarnwick/parser/FuzzyClasses.h"
#include "tarnwick/platform/ComponentStreaming.h"
#include "tarnwick/platform/Events.h"
#include "tarnwick/platform/Exceptions.h"

namespace {

using namespace tarnwick;

// A handler of every event type the classes publish, each under a short name of its type.
const TEventHandlers& Handlers() {
  static const TEventHandlers* Table = [] {
    auto* T = new TEventHandlers;
    T->Add<TNotifyEvent>("Notify", [](TObject*) {});
    T->Add<TFuzzySetEvent>("FuzzySet", [](TObject*, TFuzzySet*) {});
    T->Add<TFuzzyVariableEvent>("FuzzyVariable", [](TObject*, TFuzzyVariable*) {});
    T->Add<TFuzzyExpressionEvent>("Expression", [](TObject*, TFuzzyVariable*, const std::string&, TFuzzySet*&) {});
    T->Add<TCalcFuzzyFunctionEvent>("CalcFunction", [](TObject*, const std::string&, IFuzzyStreamTokenList*,
                                                       TFuzzySet*&, bool&) {});
    T->Add<TIFuzzySetEvent>("IFuzzySet", [](IFuzzyVariable*, IFuzzySet*) {});
    T->Add<TIFuzzyVariableEvent>("IFuzzyVariable", [](IFuzzyVariable*) {});
    T->Add<TIFuzzyExpressionEvent>("IExpression", [](IFuzzyVariable*, const std::string&, Intf<IFuzzySet>&) {});
    return T;
  }();
  return *Table;
}

std::unique_ptr<TComponent> Read(const std::string& Text) {
  TReader Reader(Text);
  Reader.SetEventHandlers(&Handlers());
  return std::unique_ptr<TComponent>(Reader.ReadRootComponent(nullptr));
}

// Round trips a text may take to settle; each one thins a run of five or more points on one X
// by about a quarter.
constexpr int kMaxPasses = 64;

[[noreturn]] void Finding(const char* What, const std::string& Input, const std::string& Text,
                          const std::string& Detail) {
  std::fprintf(stderr, "STREAM ROUND TRIP FAILURE: %s\n--- input ---\n%s\n--- text ---\n%s\n--- detail ---\n%s\n",
               What, Input.c_str(), Text.c_str(), Detail.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  static const bool Registered = (RegisterFuzzyClasses(), true);
  (void)Registered;
  const std::string Input(reinterpret_cast<const char*>(Data), Size);
  std::string First;
  try {
    std::unique_ptr<TComponent> Root = Read(Input);
    First = ComponentToText(Root.get());
  } catch (const Exception&) {
    return 0;  // refused, or a model that cannot be stored (such as a text that does not print)
  }
  std::string Text = First;
  for (int Pass = 1;; ++Pass) {
    std::string Next;
    try {
      Next = ComponentToText(Read(Text).get());
    } catch (const Exception& E) {
      Finding("a written text does not read and write again", Input, Text, E.what());
    }
    if (Next == Text) break;
    if (Pass == kMaxPasses) Finding("reading and writing does not settle", Input, Text, Next);
    Text = std::move(Next);
  }
  return 0;
}
