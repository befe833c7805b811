// Work that grows with the input, at sizes a real host meets: a count read from a stream,
// many sibling components, point lists in any order, one spot crowded with points, terms that
// name earlier terms, and lookups of terms by name. Each row runs once per size: the point is
// how the time grows from one size to the next, which should be about linear.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "tarnwick/model/FuzzyLogicComponent.h"
#include "tarnwick/model/FuzzySet.h"
#include "tarnwick/model/FuzzyVariable.h"
#include "tarnwick/model/IFuzzyLogicComponent.h"
#include "tarnwick/parser/FuzzyClasses.h"
#include "tarnwick/parser/KVFuzzyLogicParser.h"
#include "tarnwick/platform/Component.h"
#include "tarnwick/platform/ComponentStreaming.h"
#include "tarnwick/platform/Exceptions.h"

using namespace tarnwick;

namespace {

template <typename TLogic>
struct TSetup {
  TSetup() {
    Logic.SetAutoTerms(false);
    Logic.SetParser(&Parser);
    Parser.SetFuzzyLogic(&Logic);
  }
  TLogic Logic{nullptr};
  TKVFuzzyLogicParser Parser{nullptr};
};

// A form holding a logic component of class TLogic and its parser, with one PI-curve term and
// NumFunctionValues Count, as component streaming writes it.
template <typename TLogic>
std::string StreamWithCount(std::int64_t Count) {
  RegisterFuzzyClasses();
  TComponent Form(nullptr);
  Form.SetName("Form");
  auto* Logic = new TLogic(&Form);
  Logic->SetName("Logic");
  auto* Parser = new TKVFuzzyLogicParser(&Form);
  Parser->SetName("Parser");
  Logic->SetAutoTerms(false);
  Logic->SetParser(Parser);
  Parser->SetFuzzyLogic(Logic);
  TStringList Text;
  Text.SetText("(deffuzzy a (range 0 1) (values (term b (pi 0.5 0.5))))");
  Logic->SetStrings(&Text);
  Logic->SetNumFunctionValues(static_cast<std::int32_t>(Count));
  return ComponentToText(&Form);
}

template <typename TLogic>
void BM_StreamedNumFunctionValues(benchmark::State& State) {
  const std::string Text = StreamWithCount<TLogic>(State.range(0));
  for (auto _ : State) {
    try {
      std::unique_ptr<TComponent> Copy(TextToComponent(Text, nullptr));
      State.SetLabel(std::to_string(Text.size()) + " bytes, read");
    } catch (const Exception& E) {
      State.SetLabel(std::to_string(Text.size()) + " bytes, refused: " + E.what());
    }
  }
}
BENCHMARK(BM_StreamedNumFunctionValues<TIFuzzyLogic>)
    ->Arg(200000)
    ->Arg(2000000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_StreamedNumFunctionValues<TFuzzyLogic>)->Arg(200000)->Unit(benchmark::kMillisecond)->Iterations(1);

// Count named components under one owner, read from one stream.
void BM_ReadNamedSiblings(benchmark::State& State) {
  std::string Text = "object Form: TComponent\n";
  for (std::int64_t I = 0; I < State.range(0); ++I) {
    Text += "  object C";
    Text += std::to_string(I);
    Text += ": TComponent\n  end\n";
  }
  Text += "end\n";
  for (auto _ : State) {
    std::unique_ptr<TComponent> Form(TextToComponent(Text, nullptr));
    benchmark::DoNotOptimize(Form->GetComponentCount());
    State.PauseTiming();
    Form.reset();
    State.ResumeTiming();
  }
}
BENCHMARK(BM_ReadNamedSiblings)->Arg(10000)->Arg(50000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

// An owner of Count unnamed components, deleted.
void BM_DestroyManyChildren(benchmark::State& State) {
  for (auto _ : State) {
    State.PauseTiming();
    auto Owner = std::make_unique<TComponent>(nullptr);
    for (std::int64_t I = 0; I < State.range(0); ++I) new TComponent(Owner.get());
    State.ResumeTiming();
    Owner.reset();
  }
}
BENCHMARK(BM_DestroyManyChildren)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

// One term of Count points, in reverse order of X.
std::string ReversedPointList(std::int64_t Count) {
  std::string Text = "(deffuzzy a (range 0 " + std::to_string(Count) + ") (values (term b (";
  for (std::int64_t I = Count - 1; I >= 0; --I) {
    Text += '(';
    Text += std::to_string(I);
    Text += ' ';
    Text += std::to_string(I % 3);
    Text += ") ";
  }
  return Text + "))))";
}

template <typename TLogic>
void BM_ParseReversedPoints(benchmark::State& State) {
  const std::string Text = ReversedPointList(State.range(0));
  for (auto _ : State) {
    TSetup<TLogic> S;
    S.Parser.Parse(Text, nullptr);
    State.PauseTiming();
    S.Logic.GetItems()->Clear();
    State.ResumeTiming();
  }
}
BENCHMARK(BM_ParseReversedPoints<TFuzzyLogic>)->Arg(10000)->Arg(50000)->Arg(100000)->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_ParseReversedPoints<TIFuzzyLogic>)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

// Count points added one by one through the API to a set of a variable, in reverse order of X
// (Scattered false) or in a random order (true); or (Block) all inside one update block.
void AddPoints(benchmark::State& State, bool Scattered, bool Block) {
  const auto Count = static_cast<std::int32_t>(State.range(0));
  std::vector<std::int32_t> Order(static_cast<std::size_t>(Count));
  for (std::int32_t I = 0; I < Count; ++I) Order[static_cast<std::size_t>(I)] = Count - 1 - I;
  if (Scattered) std::shuffle(Order.begin(), Order.end(), std::mt19937(20261213));
  for (auto _ : State) {
    State.PauseTiming();
    auto Logic = std::make_unique<TFuzzyLogic>(nullptr);
    Logic->SetAutoTerms(false);
    TFuzzyVariable* V = Logic->GetItems()->Add("a");
    V->SetMaximum(Count);
    TFuzzySetValues* Values = V->GetItems()->Add("b")->GetValues();
    State.ResumeTiming();
    if (Block) Values->BeginUpdate();
    for (const std::int32_t X : Order) Values->Add(X, X % 3);
    if (Block) Values->EndUpdate();
    benchmark::DoNotOptimize(Values->GetCount());
    State.PauseTiming();
    Logic.reset();
    State.ResumeTiming();
  }
}

void BM_AddPointsReversed(benchmark::State& State) { AddPoints(State, false, false); }
BENCHMARK(BM_AddPointsReversed)->Arg(50000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_AddPointsScattered(benchmark::State& State) { AddPoints(State, true, false); }
BENCHMARK(BM_AddPointsScattered)->Arg(50000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_AddPointsScatteredInOneBlock(benchmark::State& State) { AddPoints(State, true, true); }
BENCHMARK(BM_AddPointsScatteredInOneBlock)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

// Count points on one X with different Y, added one by one: the list keeps three.
void BM_AddPointsOnOneX(benchmark::State& State) {
  for (auto _ : State) {
    TFuzzySetValues Values(nullptr);
    for (std::int64_t I = 0; I < State.range(0); ++I) Values.Add(5, static_cast<TFzyFloat>(I % 1000) / 1000);
    State.SetLabel(std::to_string(Values.GetCount()) + " points kept");
  }
}
BENCHMARK(BM_AddPointsOnOneX)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

// Count terms, each but the first built from an earlier one by name.
void BM_ParseTermsByName(benchmark::State& State) {
  std::string Text = "(deffuzzy a (range 0 100) (values (term t0 (tri 0 50 100))";
  for (std::int64_t I = 1; I < State.range(0); ++I) {
    Text += " (term t";
    Text += std::to_string(I);
    Text += " not t";
    Text += std::to_string(I / 2);
    Text += ')';
  }
  Text += "))";
  for (auto _ : State) {
    TSetup<TFuzzyLogic> S;
    S.Parser.Parse(Text, nullptr);
    State.PauseTiming();
    S.Logic.GetItems()->Clear();
    State.ResumeTiming();
  }
}
BENCHMARK(BM_ParseTermsByName)->Arg(10000)->Arg(50000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

// Count lookups by name among Count terms of a variable, in a random order.
void BM_SetByName(benchmark::State& State) {
  const auto Count = static_cast<std::int32_t>(State.range(0));
  TFuzzyLogic Logic(nullptr);
  Logic.SetAutoTerms(false);
  TFuzzySets* Sets = Logic.GetItems()->Add("a")->GetItems();
  std::vector<std::string> Names;
  for (std::int32_t I = 0; I < Count; ++I) Names.push_back(Sets->Add("t" + std::to_string(I))->GetName());
  std::shuffle(Names.begin(), Names.end(), std::mt19937(20261213));
  for (auto _ : State)
    for (const std::string& Name : Names) benchmark::DoNotOptimize(Sets->GetItemByName(Name));
}
BENCHMARK(BM_SetByName)->Arg(50000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
