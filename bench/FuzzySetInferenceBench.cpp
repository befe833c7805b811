// One min-max inference step of three rules (correlate each consequent with its rule's
// strength, then infer the three into one result), and the two defuzzifications of sets of 10
// and 100 points and of that result.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <string>

#include "tarnwick/model/FuzzyLogic.h"

using namespace tarnwick;

namespace {

std::unique_ptr<TFuzzySet> MakeTriangle(TFzyFloat Left, TFzyFloat Middle, TFzyFloat Right) {
  auto Set = std::make_unique<TFuzzySet>(nullptr);
  Set->CreateTriangleFunctionValues(Left, Middle, Right);
  return Set;
}

// Points at X = 0, 1, ... with degrees that rise and fall irregularly between 0 and 1.
std::unique_ptr<TFuzzySet> MakeWave(int Points) {
  auto Set = std::make_unique<TFuzzySet>(nullptr);
  TUpdateBlock<TCollection> Block(*Set->GetValues());
  for (int I = 0; I < Points; ++I) Set->GetValues()->Add(I, 0.5 + 0.5 * std::sin(I * 0.7));
  return Set;
}

struct TThreeRules {
  std::unique_ptr<TFuzzySet> Low = MakeTriangle(0, 2, 4);
  std::unique_ptr<TFuzzySet> Medium = MakeTriangle(3, 5, 7);
  std::unique_ptr<TFuzzySet> High = MakeTriangle(6, 8, 10);
  static constexpr TFzyFloat kStrengths[3] = {0.3, 0.8, 0.5};

  // Each consequent is copied before it is correlated, as a rule assertion does, so that the
  // rule base stays as it is.
  std::unique_ptr<TFuzzySet> Step() const {
    std::unique_ptr<TFuzzySet> A(Low->Clone());
    std::unique_ptr<TFuzzySet> B(Medium->Clone());
    std::unique_ptr<TFuzzySet> C(High->Clone());
    A->Correlate(kStrengths[0], fcmMinimum);
    B->Correlate(kStrengths[1], fcmMinimum);
    C->Correlate(kStrengths[2], fcmMinimum);
    std::unique_ptr<TFuzzySet> AB(A->Infer(B.get(), fimMinMax, false));
    return std::unique_ptr<TFuzzySet>(AB->Infer(C.get(), fimMinMax, false));
  }
};

void BM_CorrelateInferThreeRules(benchmark::State& State) {
  TThreeRules Rules;
  for (auto _ : State) benchmark::DoNotOptimize(Rules.Step());
}
BENCHMARK(BM_CorrelateInferThreeRules);

std::unique_ptr<TFuzzySet> MakeSubject(int Kind) {
  if (Kind == 0) return TThreeRules().Step();
  return MakeWave(Kind);
}

void SetSubjectLabel(benchmark::State& State, const TFuzzySet& Set) {
  State.SetLabel(State.range(0) == 0 ? "three-rule result, " + std::to_string(Set.GetValues()->GetCount()) + " points"
                                     : std::to_string(State.range(0)) + " points");
}

// Argument: the number of points of a wave, or 0 for the result of the three-rule step.
void BM_CenterOfGravity(benchmark::State& State) {
  auto Set = MakeSubject(static_cast<int>(State.range(0)));
  SetSubjectLabel(State, *Set);
  for (auto _ : State) benchmark::DoNotOptimize(Set->CenterOfGravity());
}
BENCHMARK(BM_CenterOfGravity)->Arg(10)->Arg(100)->Arg(0);

void BM_MeanOfMaxima(benchmark::State& State) {
  auto Set = MakeSubject(static_cast<int>(State.range(0)));
  SetSubjectLabel(State, *Set);
  for (auto _ : State) benchmark::DoNotOptimize(Set->MeanOfMaxima());
}
BENCHMARK(BM_MeanOfMaxima)->Arg(10)->Arg(100)->Arg(0);

}  // namespace
