// Work and memory on inputs a hostile host or user might give: a long point list in one term
// (in order and reversed), bindings that name each other twice per level, and one expression
// evaluated many times. Counters: points (evaluations) per second, and the heap each point of
// a parsed list keeps (malloc's bytes in use after the parse, over the points).
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdint>
#include <string>

#include "tarnwick/model/FuzzyLogicComponent.h"
#include "tarnwick/model/FuzzySet.h"
#include "tarnwick/model/FuzzyVariable.h"
#include "tarnwick/parser/KVFuzzyLogicParser.h"
#include "tarnwick/platform/Exceptions.h"

using namespace tarnwick;

namespace {

struct TSetup {
  TSetup() {
    Logic.SetAutoTerms(false);
    Logic.SetParser(&Parser);
    Parser.SetFuzzyLogic(&Logic);
  }
  TFuzzyLogic Logic{nullptr};
  TKVFuzzyLogicParser Parser{nullptr};
};

// One term of Count distinct points, in order of X or reversed.
std::string PointList(std::int64_t Count, bool Reversed) {
  std::string Text = "(deffuzzy a (range 0 " + std::to_string(Count) + ") (values (term b (";
  for (std::int64_t I = 0; I < Count; ++I) {
    const std::int64_t X = Reversed ? Count - 1 - I : I;
    Text += '(';
    Text += std::to_string(X);
    Text += ' ';
    Text += std::to_string(X % 3);
    Text += ") ";
  }
  return Text + "))))";
}

void ParsePointList(benchmark::State& State, bool Reversed) {
  const std::string Text = PointList(State.range(0), Reversed);
  double BytesPerPoint = 0;
  for (auto _ : State) {
    State.PauseTiming();
    {
      TSetup S;
      const std::size_t Before = mallinfo2().uordblks;
      State.ResumeTiming();
      S.Parser.Parse(Text, nullptr);
      State.PauseTiming();
      BytesPerPoint = static_cast<double>(mallinfo2().uordblks - Before) / static_cast<double>(State.range(0));
    }
    State.ResumeTiming();
  }
  State.counters["points/s"] =
      benchmark::Counter(static_cast<double>(State.iterations() * State.range(0)), benchmark::Counter::kIsRate);
  State.counters["kept bytes/point"] = BytesPerPoint;
}

void BM_ParsePointsInOrder(benchmark::State& State) { ParsePointList(State, false); }
BENCHMARK(BM_ParsePointsInOrder)->Arg(25000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_ParsePointsReversed(benchmark::State& State) { ParsePointList(State, true); }
BENCHMARK(BM_ParsePointsReversed)->Arg(5000)->Arg(25000)->Unit(benchmark::kMillisecond);

// c0=?c1 or ?c1, c1=?c2 or ?c2, ...: 2^Depth expansions, until the bindings' token limit
// stops the evaluation (from about 15 levels on).
void BM_BindingChain(benchmark::State& State) {
  TSetup S;
  S.Parser.Parse("(deffuzzy t (range 0 100) (values (term warm (tri 20 50 80))))", nullptr);
  const auto Depth = static_cast<int>(State.range(0));
  std::string Bindings;
  for (int I = 0; I < Depth; ++I) {
    const std::string Next = std::to_string(I + 1);
    Bindings += 'c';
    Bindings += std::to_string(I);
    Bindings += "=?c";
    Bindings += Next;
    Bindings += " or ?c";
    Bindings += Next;
    Bindings += '\n';
  }
  S.Logic.GetVariables()->SetText(Bindings + "c" + std::to_string(Depth) + "=warm");
  TFuzzyVariable* V = S.Logic.GetItems()->GetItem(0);
  bool Refused = false;
  for (auto _ : State) {
    try {
      delete S.Parser.EvalFuzzyExpression(V, "?c0");
    } catch (const EFzyParseException&) {
      Refused = true;
    }
  }
  State.SetLabel(Refused ? "refused at the token limit" : "evaluated");
}
BENCHMARK(BM_BindingChain)->Arg(10)->Arg(14)->Arg(20)->Arg(40)->Unit(benchmark::kMillisecond);

// One expression evaluated 100,000 times: the sets the variable holds at the end (its two
// terms and the results kept) and the heap in use, per evaluation.
void BM_RepeatedEvaluation(benchmark::State& State) {
  for (auto _ : State) {
    TSetup S;
    S.Parser.Parse("(deffuzzy t (range 0 100) (values (term warm (tri 20 50 80)) (term cold ((0 1) (40 0)))))",
                   nullptr);
    TFuzzyVariable* V = S.Logic.GetItems()->GetItem(0);
    const std::size_t Before = mallinfo2().uordblks;
    for (int I = 0; I < 100000; ++I)
      static_cast<void>(S.Parser.EvalFuzzyExpression(V, "very warm or somewhat cold"));
    State.counters["sets kept"] = V->GetItems()->GetCount();
    State.counters["heap bytes/evaluation"] = static_cast<double>(mallinfo2().uordblks - Before) / 100000;
  }
  State.counters["evaluations/s"] =
      benchmark::Counter(static_cast<double>(State.iterations()) * 100000, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RepeatedEvaluation)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
