// The platform string list's order: sorting 10^3 and 10^5 words and finding each of them in the
// sorted list, case-insensitive (the default) and case-sensitive, in the classic locale a
// program starts with and in a locale of the program's own, which collates through its facets.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <locale>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "tarnwick/platform/Strings.h"

namespace {

// N distinct words in a shuffled order, made once per size, in mixed case.
const std::vector<std::string>& Words(std::int64_t N) {
  static std::unordered_map<std::int64_t, std::vector<std::string>> Cache;
  auto& Result = Cache[N];
  if (Result.empty()) {
    Result.reserve(static_cast<std::size_t>(N));
    for (std::int64_t I = 0; I < N; ++I)
      Result.push_back((I % 2 == 0 ? "Term" : "term") + std::to_string(I * 7919 + 13));
    std::shuffle(Result.begin(), Result.end(), std::mt19937(42));
  }
  return Result;
}

// The classic locale (Own false), or a copy of it with a facet of its own, which is no longer
// the classic locale and so collates through the facets.
void UseLocale(bool Own) {
  std::locale::global(Own ? std::locale(std::locale::classic(), new std::numpunct<char>) : std::locale::classic());
}

void Fill(tarnwick::TStringList& L, const std::vector<std::string>& W, bool CaseSensitive) {
  L.SetCaseSensitive(CaseSensitive);
  for (const std::string& S : W) L.Add(S);
}

void BM_StringListSort(benchmark::State& State) {
  UseLocale(State.range(2) != 0);
  const auto& W = Words(State.range(0));
  for (auto _ : State) {
    tarnwick::TStringList L;
    Fill(L, W, State.range(1) != 0);
    L.SetSorted(true);
    benchmark::DoNotOptimize(L.GetCount());
  }
  State.SetItemsProcessed(State.iterations() * State.range(0));
  UseLocale(false);
}

void BM_StringListFind(benchmark::State& State) {
  UseLocale(State.range(2) != 0);
  const auto& W = Words(State.range(0));
  tarnwick::TStringList L;
  Fill(L, W, State.range(1) != 0);
  L.SetSorted(true);
  for (auto _ : State) {
    std::int32_t Found = 0;
    std::int32_t Index = 0;
    for (const std::string& S : W) Found += L.Find(S, Index) ? 1 : 0;
    benchmark::DoNotOptimize(Found);
  }
  State.SetItemsProcessed(State.iterations() * State.range(0));
  UseLocale(false);
}

// Words, case-sensitive (0/1), own locale (0/1).
#define TARNWICK_ARGS                                                                              \
  ->ArgsProduct({{1000, 100000}, {0, 1}, {0, 1}})->ArgNames({"n", "case", "own"})->Unit(benchmark::kMicrosecond)

BENCHMARK(BM_StringListSort) TARNWICK_ARGS;
BENCHMARK(BM_StringListFind) TARNWICK_ARGS;

}  // namespace
