// The string-keyed hash table against std::unordered_map on the same keys: inserting, looking
// up and removing 10^3, 10^5 and 10^6 string keys, and walking the whole table in order (the
// table by ItemByIndex, the map by its iterators).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "tarnwick/containers/KVGenerics.h"

namespace {

using tarnwick::Integer;
using Table = tarnwick::collections::TKVStringHashTable<Integer>;
using Map = std::unordered_map<std::string, Integer>;

// N distinct keys in a shuffled order, made once per size: names like the model's ("set12345").
const std::vector<std::string>& Keys(std::int64_t N) {
  static std::unordered_map<std::int64_t, std::vector<std::string>> Cache;
  auto& Result = Cache[N];
  if (Result.empty()) {
    Result.reserve(static_cast<std::size_t>(N));
    for (std::int64_t I = 0; I < N; ++I) Result.push_back("set" + std::to_string(I * 7919 + 13));
    std::shuffle(Result.begin(), Result.end(), std::mt19937(42));
  }
  return Result;
}

void FillTable(Table& T, const std::vector<std::string>& K) {
  Integer I = 0;
  for (const std::string& Key : K) T.Add(Key, I++);
}

void FillMap(Map& M, const std::vector<std::string>& K) {
  Integer I = 0;
  for (const std::string& Key : K) M.emplace(Key, I++);
}

void BM_TableInsert(benchmark::State& State) {
  const auto& K = Keys(State.range(0));
  for (auto _ : State) {
    Table T;
    FillTable(T, K);
    benchmark::DoNotOptimize(T.GetCount());
  }
  State.SetItemsProcessed(State.iterations() * State.range(0));
}

void BM_MapInsert(benchmark::State& State) {
  const auto& K = Keys(State.range(0));
  for (auto _ : State) {
    Map M;
    FillMap(M, K);
    benchmark::DoNotOptimize(M.size());
  }
  State.SetItemsProcessed(State.iterations() * State.range(0));
}

void BM_TableLookup(benchmark::State& State) {
  const auto& K = Keys(State.range(0));
  Table T;
  FillTable(T, K);
  for (auto _ : State) {
    std::int64_t Sum = 0;
    Integer Value = 0;
    for (const std::string& Key : K)
      if (T.TryGetValue(Key, Value)) Sum += Value;
    benchmark::DoNotOptimize(Sum);
  }
  State.SetItemsProcessed(State.iterations() * State.range(0));
}

void BM_MapLookup(benchmark::State& State) {
  const auto& K = Keys(State.range(0));
  Map M;
  FillMap(M, K);
  for (auto _ : State) {
    std::int64_t Sum = 0;
    for (const std::string& Key : K) {
      auto It = M.find(Key);
      if (It != M.end()) Sum += It->second;
    }
    benchmark::DoNotOptimize(Sum);
  }
  State.SetItemsProcessed(State.iterations() * State.range(0));
}

void BM_TableRemove(benchmark::State& State) {
  const auto& K = Keys(State.range(0));
  for (auto _ : State) {
    State.PauseTiming();
    auto T = std::make_unique<Table>();
    FillTable(*T, K);
    State.ResumeTiming();
    for (const std::string& Key : K) benchmark::DoNotOptimize(T->Remove(Key));
    State.PauseTiming();
    T.reset();
    State.ResumeTiming();
  }
  State.SetItemsProcessed(State.iterations() * State.range(0));
}

void BM_MapRemove(benchmark::State& State) {
  const auto& K = Keys(State.range(0));
  for (auto _ : State) {
    State.PauseTiming();
    auto M = std::make_unique<Map>();
    FillMap(*M, K);
    State.ResumeTiming();
    for (const std::string& Key : K) benchmark::DoNotOptimize(M->erase(Key));
    State.PauseTiming();
    M.reset();
    State.ResumeTiming();
  }
  State.SetItemsProcessed(State.iterations() * State.range(0));
}

void BM_TableItemByIndex(benchmark::State& State) {
  const auto& K = Keys(State.range(0));
  Table T;
  FillTable(T, K);
  for (auto _ : State) {
    std::int64_t Sum = 0;
    const Integer N = T.GetCount();
    for (Integer I = 0; I < N; ++I) Sum += T.GetItemByIndex(I);
    benchmark::DoNotOptimize(Sum);
  }
  State.SetItemsProcessed(State.iterations() * State.range(0));
}

void BM_MapIterate(benchmark::State& State) {
  const auto& K = Keys(State.range(0));
  Map M;
  FillMap(M, K);
  for (auto _ : State) {
    std::int64_t Sum = 0;
    for (const auto& Pair : M) Sum += Pair.second;
    benchmark::DoNotOptimize(Sum);
  }
  State.SetItemsProcessed(State.iterations() * State.range(0));
}

#define TARNWICK_SIZES ->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond)

BENCHMARK(BM_TableInsert) TARNWICK_SIZES;
BENCHMARK(BM_MapInsert) TARNWICK_SIZES;
BENCHMARK(BM_TableLookup) TARNWICK_SIZES;
BENCHMARK(BM_MapLookup) TARNWICK_SIZES;
BENCHMARK(BM_TableRemove) TARNWICK_SIZES;
BENCHMARK(BM_MapRemove) TARNWICK_SIZES;
BENCHMARK(BM_TableItemByIndex) TARNWICK_SIZES;
BENCHMARK(BM_MapIterate) TARNWICK_SIZES;

}  // namespace
