// The definition language: parsing a 1 kB and a 100 kB text of variables with eight terms of
// every value kind and printing the model back, each into and from both model forms (the owned
// collection form, /form:0, and the counted interface form, /form:1), and evaluating an
// expression of ten operators. Counters: parses (prints, evaluations) per second and the text's
// megabytes per second.
#include <benchmark/benchmark.h>

#include <string>

#include "tarnwick/model/FuzzyLogicComponent.h"
#include "tarnwick/model/IFuzzyLogic.h"
#include "tarnwick/parser/KVFuzzyLogicParser.h"

using namespace tarnwick;

namespace {

// One variable of about 450 bytes: a point list, every built-in function, expressions.
std::string Variable(int Index) {
  const std::string N = std::to_string(Index);
  return "(deffuzzy v" + N + " \"variable " + N + "\"\n"
         "  (range 0 100)\n"
         "  (units \"units of v" + N + "\")\n"
         "  (values\n"
         "    (term cold ((0 1) (20 1) (40 0)))\n"
         "    (term cool (z 10 40))\n"
         "    (term mild (tri 30 50 70))\n"
         "    (term warm (pi 15 60))\n"
         "    (term sultry (pi 50 90 65))\n"
         "    (term hot (s 60 100))\n"
         "    (term usual (beta 20 50 10 2))\n"
         "    (term nice somewhat mild and not cold or [warm + 0.1])))\n";
}

// Whole variables up to about Bytes.
std::string Definitions(std::size_t Bytes) {
  std::string Text;
  for (int I = 0; Text.size() < Bytes; ++I) Text += Variable(I);
  return Text;
}

struct TSetup {
  TSetup() {
    Logic.SetAutoTerms(false);
    Logic.SetParser(&Parser);
    Parser.SetFuzzyLogic(&Logic);
  }
  TFuzzyLogic Logic{nullptr};
  TKVFuzzyLogicParser Parser{nullptr};
};

struct TISetup {
  TISetup() {
    Logic.SetAutoTerms(false);
    Logic.SetParser(&Parser);
    Parser.SetFuzzyLogic(&Logic);
  }
  TIFuzzyLogic Logic{nullptr};
  TKVFuzzyLogicParser Parser{nullptr};
};

void Rates(benchmark::State& State, std::size_t Bytes, const char* Name) {
  State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations() * Bytes));
  State.counters[Name] = benchmark::Counter(static_cast<double>(State.iterations()), benchmark::Counter::kIsRate);
}

// Arguments: the text's size in kB, then the form (0 collection, 1 interface).
void BM_Parse(benchmark::State& State) {
  const std::string Text = Definitions(static_cast<std::size_t>(State.range(0)) * 1024);
  if (State.range(1) == 0) {
    TSetup S;
    for (auto _ : State) {
      S.Logic.GetItems()->Clear();
      S.Parser.Parse(Text, nullptr);
    }
  } else {
    TISetup S;
    for (auto _ : State) {
      S.Logic.GetItems()->Clear();
      S.Parser.Parse(Text, nullptr);
    }
  }
  Rates(State, Text.size(), "parses/s");
}
BENCHMARK(BM_Parse)->ArgNames({"kB", "form"})->ArgsProduct({{1, 100}, {0, 1}})->Unit(benchmark::kMicrosecond);

void BM_Print(benchmark::State& State) {
  const std::string Text = Definitions(static_cast<std::size_t>(State.range(0)) * 1024);
  std::size_t Bytes = 0;
  if (State.range(1) == 0) {
    TSetup S;
    S.Parser.Parse(Text, nullptr);
    for (auto _ : State) {
      std::string Printed;
      for (std::int32_t I = 0; I < S.Logic.GetItems()->GetCount(); ++I)
        Printed += S.Parser.PrettyPrint(S.Logic.GetItems()->GetItem(I));
      Bytes = Printed.size();
      benchmark::DoNotOptimize(Printed.data());
    }
  } else {
    TISetup S;
    S.Parser.Parse(Text, nullptr);
    for (auto _ : State) {
      std::string Printed;
      for (Integer I = 0; I < S.Logic.GetItems()->GetCount(); ++I)
        Printed += S.Parser.PrettyPrint(S.Logic.GetItems()->GetItemByIndex(I).get());
      Bytes = Printed.size();
      benchmark::DoNotOptimize(Printed.data());
    }
  }
  Rates(State, Bytes, "prints/s");
}
BENCHMARK(BM_Print)->ArgNames({"kB", "form"})->ArgsProduct({{1, 100}, {0, 1}})->Unit(benchmark::kMicrosecond);

// Ten operators: five hedges, four keywords and a hedge operator, with a group.
void BM_Evaluate(benchmark::State& State) {
  TSetup S;
  S.Parser.Parse(Variable(0), nullptr);
  TFuzzyVariable* V = S.Logic.GetItems()->GetItem(0);
  const std::int32_t Terms = V->GetItems()->GetCount();
  const std::string Expression =
      "very mild and not cold or-mean somewhat [extremely warm + 0.1 and-product plus hot] or cool";
  for (auto _ : State) {
    TFuzzySet* Result = nullptr;
    benchmark::DoNotOptimize(S.Parser.EvalFuzzyExpression(V, Expression, Result));
    // The evaluation keeps its result in the variable; take it away again.
    while (V->GetItems()->GetCount() > Terms) delete V->GetItems()->GetItem(V->GetItems()->GetCount() - 1);
  }
  Rates(State, Expression.size(), "evaluations/s");
}
BENCHMARK(BM_Evaluate)->Unit(benchmark::kMicrosecond);

}  // namespace
