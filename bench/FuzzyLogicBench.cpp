// One nine-rule inference step on the variables of a logic component: three input terms
// matched against the evidence, nine assertions into one result, defuzzified, freed.
#include <benchmark/benchmark.h>

#include <memory>

#include "tarnwick/model/FuzzyLogic.h"

using namespace tarnwick;

namespace {

void BM_NineRuleStep(benchmark::State& State) {
  TFuzzyLogic Logic(nullptr);  // automatic terms low, medium and high on every variable
  TFuzzyVariable* Input = Logic.GetItems()->Add("temperature");
  TFuzzyVariable* Output = Logic.GetItems()->Add("power");
  TFuzzySet* Evidence = Input->GetItems()->Add("reading");
  Evidence->CreateTriangleFunctionValues(0.3, 0.4, 0.5);
  TFuzzySets& In = *Input->GetItems();
  TFuzzySets& Out = *Output->GetItems();

  for (auto _ : State) {
    TFuzzySet* Result = nullptr;
    for (int Rule = 0; Rule < 9; ++Rule) {
      const TFuzzySet* Premise = In[Rule % 3];
      const TFuzzySet* Consequent = Out[(Rule / 3 + Rule % 3) % 3];
      TFuzzySet* Next = Output->AssertRule(Premise, Consequent, Evidence, Result);
      if (Next == nullptr) continue;
      delete Result;
      Result = Next;
    }
    benchmark::DoNotOptimize(Result ? Result->Defuzzify() : 0.0);
    delete Result;
  }
}
BENCHMARK(BM_NineRuleStep);

}  // namespace
