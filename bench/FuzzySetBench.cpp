// Membership of sets of growing size, and building a large set in one bulk change and point by
// point.
#include <benchmark/benchmark.h>

#include <memory>

#include "tarnwick/model/FuzzyLogic.h"

using namespace tarnwick;

namespace {

std::unique_ptr<TFuzzySet> MakeZigzag(int Points) {
  auto Set = std::make_unique<TFuzzySet>(nullptr);
  TUpdateBlock<TCollection> Block(*Set->GetValues());
  for (int I = 0; I < Points; ++I) Set->GetValues()->Add(I, (I % 2) ? 1.0 : 0.0);
  return Set;
}

// Crisp values spread over the points and a tenth beyond each end.
void Membership(benchmark::State& State, const TFuzzySet& Set, TFzyFloat Lo, TFzyFloat Hi) {
  const TFzyFloat Width = Hi - Lo;
  TFzyFloat X = Lo - Width / 10;
  const TFzyFloat Step = Width * 1.2 / 997;
  for (auto _ : State) {
    benchmark::DoNotOptimize(Set.DegreeOfMembership(X));
    X += Step;
    if (X > Hi + Width / 10) X = Lo - Width / 10;
  }
}

void BM_MembershipTriangle(benchmark::State& State) {
  TFuzzySet Set(nullptr);
  Set.CreateTriangleFunctionValues(0, 5, 10);
  Membership(State, Set, 0, 10);
}
BENCHMARK(BM_MembershipTriangle);

void BM_MembershipPoints(benchmark::State& State) {
  auto Set = MakeZigzag(static_cast<int>(State.range(0)));
  Membership(State, *Set, 0, static_cast<TFzyFloat>(State.range(0) - 1));
}
BENCHMARK(BM_MembershipPoints)->Arg(10)->Arg(100);

void BM_BuildInOneBlock(benchmark::State& State) {
  for (auto _ : State) benchmark::DoNotOptimize(MakeZigzag(1000));
}
BENCHMARK(BM_BuildInOneBlock);

void BM_BuildPointByPoint(benchmark::State& State) {
  for (auto _ : State) {
    TFuzzySet Set(nullptr);
    for (int I = 0; I < 1000; ++I) Set.GetValues()->Add(I, (I % 2) ? 1.0 : 0.0);
    benchmark::DoNotOptimize(Set.GetValues()->GetCount());
  }
}
BENCHMARK(BM_BuildPointByPoint);

// The same points arriving in falling order: each is sorted into place as it comes.
void BM_BuildReversedPointByPoint(benchmark::State& State) {
  for (auto _ : State) {
    TFuzzySet Set(nullptr);
    for (int I = 999; I >= 0; --I) Set.GetValues()->Add(I, (I % 2) ? 1.0 : 0.0);
    benchmark::DoNotOptimize(Set.GetValues()->GetCount());
  }
}
BENCHMARK(BM_BuildReversedPointByPoint);

}  // namespace
