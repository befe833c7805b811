// Evaluations per second of a fuzzy expression with ten operators (hedges, a hedge operator,
// keywords under four operations, a group and a number), through the string form and through
// the defuzzified form.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "tarnwick/model/FuzzyLogicComponent.h"
#include "tarnwick/model/FuzzySet.h"
#include "tarnwick/model/FuzzyVariable.h"
#include "tarnwick/parser/KVFuzzyLogicParser.h"

namespace tarnwick {
namespace {

// very, and, not, or, somewhat, and-product, or-mean, +, or, extremely.
const std::string kTenOperators =
    "very high and not low or somewhat medium and-product [ low or-mean high ] + 0.1 or extremely medium";

// A variable over [0, 100] with three terms made by the shape generators, as a definition
// would give them.
class TBenchModel {
 public:
  TBenchModel() : Logic(nullptr), Parser(nullptr) {
    Logic.SetAutoTerms(false);
    Logic.SetParser(&Parser);
    Parser.SetFuzzyLogic(&Logic);
    Variable = Logic.GetItems()->Add("speed");
    Variable->SetMaximum(100);
    Variable->GetItems()->Add("low")->CreateCurveValues(7, 0, 50, 25, false);
    Variable->GetItems()->Add("medium")->CreatePIFunctionValues(7, 30, 50);
    Variable->GetItems()->Add("high")->CreateCurveValues(7, 50, 100, 75, true);
    FTerms = Variable->GetItems()->GetCount();
  }

  // An evaluation keeps its result in the variable; dropping it keeps every run the same.
  void DropResults() {
    TFuzzySets* Sets = Variable->GetItems();
    while (Sets->GetCount() > FTerms) delete Sets->GetItem(Sets->GetCount() - 1);
  }

  TFuzzyLogic Logic;
  TKVFuzzyLogicParser Parser;
  TFuzzyVariable* Variable = nullptr;

 private:
  std::int32_t FTerms = 0;
};

void BM_EvalTenOperators(benchmark::State& State) {
  TBenchModel Model;
  for (auto _ : State) {
    benchmark::DoNotOptimize(Model.Parser.EvalFuzzyExpression(Model.Variable, kTenOperators));
    State.PauseTiming();
    Model.DropResults();
    State.ResumeTiming();
  }
  State.SetItemsProcessed(State.iterations());
  State.SetLabel("evaluations");
}
BENCHMARK(BM_EvalTenOperators);

void BM_EvalTenOperatorsDefuzzified(benchmark::State& State) {
  TBenchModel Model;
  for (auto _ : State) {
    TFuzzySet* Set = nullptr;
    benchmark::DoNotOptimize(Model.Parser.EvalFuzzyExpression(Model.Variable, kTenOperators, Set));
    State.PauseTiming();
    Model.DropResults();
    State.ResumeTiming();
  }
  State.SetItemsProcessed(State.iterations());
  State.SetLabel("evaluations");
}
BENCHMARK(BM_EvalTenOperatorsDefuzzified);

}  // namespace
}  // namespace tarnwick
