// Union and intersection of two sets of 10 and of 100 points whose membership lines cross
// between almost every pair of points, and the correlation strength of the same pairs.
#include <benchmark/benchmark.h>

#include <memory>

#include "tarnwick/model/FuzzyLogic.h"

using namespace tarnwick;

namespace {

// Zigzags offset by half a step: each segment of one crosses a segment of the other.
std::unique_ptr<TFuzzySet> MakeZigzag(int Points, TFzyFloat Offset, TFzyFloat Low, TFzyFloat High) {
  auto Set = std::make_unique<TFuzzySet>(nullptr);
  TUpdateBlock<TCollection> Block(*Set->GetValues());
  for (int I = 0; I < Points; ++I) Set->GetValues()->Add(I + Offset, (I % 2) ? High : Low);
  return Set;
}

struct TPair {
  std::unique_ptr<TFuzzySet> A;
  std::unique_ptr<TFuzzySet> B;
  explicit TPair(int Points) : A(MakeZigzag(Points, 0, 0, 1)), B(MakeZigzag(Points, 0.5, 0.8, 0.2)) {}
};

void BM_Intersection(benchmark::State& State) {
  const TPair P(static_cast<int>(State.range(0)));
  for (auto _ : State) {
    std::unique_ptr<TFuzzySet> R(P.A->Intersection(P.B.get()));
    benchmark::DoNotOptimize(R->GetValues()->GetCount());
  }
}
BENCHMARK(BM_Intersection)->Arg(10)->Arg(100);

void BM_Union(benchmark::State& State) {
  const TPair P(static_cast<int>(State.range(0)));
  for (auto _ : State) {
    std::unique_ptr<TFuzzySet> R(P.A->Union(P.B.get()));
    benchmark::DoNotOptimize(R->GetValues()->GetCount());
  }
}
BENCHMARK(BM_Union)->Arg(10)->Arg(100);

// The same walk through the public Operator, one std::function call per visit.
void BM_UnionThroughOperator(benchmark::State& State) {
  const TPair P(static_cast<int>(State.range(0)));
  const TFuzzyOperator Max = [](TFuzzySetValues* V, TFzyFloat X1, TFzyFloat Y1, TFzyFloat, TFzyFloat Y2) {
    V->Add(X1, Y1 > Y2 ? Y1 : Y2);
    return false;
  };
  for (auto _ : State) {
    std::unique_ptr<TFuzzySet> R(P.A->Operator(P.B.get(), "or", Max));
    benchmark::DoNotOptimize(R->GetValues()->GetCount());
  }
}
BENCHMARK(BM_UnionThroughOperator)->Arg(10)->Arg(100);

// The walk alone: nothing is built.
void BM_CorrelationStrength(benchmark::State& State) {
  const TPair P(static_cast<int>(State.range(0)));
  for (auto _ : State) benchmark::DoNotOptimize(P.A->GetCorrelationStrength(P.B.get()));
}
BENCHMARK(BM_CorrelationStrength)->Arg(10)->Arg(100);

}  // namespace
