// The interface-based model beside the collection-based one, on the same points: membership
// of a triangle and of a ten-point set, the union of two ten-point sets of one variable, and a
// nine-rule inference step (three input terms matched against the evidence, nine assertions
// into one result, defuzzified, dropped). Each pair of benchmarks does the same work, so their
// ratio is the cost of counting and of reading the other operand through IFuzzySet.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "tarnwick/model/FuzzyLogic.h"
#include "tarnwick/model/IFuzzyLogic.h"

using namespace tarnwick;

namespace {

struct TPoint {
  TFzyFloat X, Y;
};

// Ten points over [0, 9] rising and falling irregularly; Phase shifts the wave.
std::vector<TPoint> Wave(TFzyFloat Phase) {
  std::vector<TPoint> Result;
  for (int I = 0; I < 10; ++I) Result.push_back({static_cast<TFzyFloat>(I), 0.5 + 0.5 * std::sin(I * 0.7 + Phase)});
  return Result;
}

void Fill(TFuzzySet& Set, const std::vector<TPoint>& Points) {
  TUpdateBlock<TCollection> Block(*Set.GetValues());
  for (const TPoint& P : Points) Set.GetValues()->Add(P.X, P.Y);
}

void Fill(IFuzzySet& Set, const std::vector<TPoint>& Points) {
  Set.BeginUpdate();
  for (const TPoint& P : Points) Set.Add(P.X, P.Y);
  Set.EndUpdate();
}

// Crisp values spread over [Lo, Hi] and a tenth beyond each end.
template <typename TSet>
void Membership(benchmark::State& State, const TSet& Set, TFzyFloat Lo, TFzyFloat Hi) {
  const TFzyFloat Width = Hi - Lo;
  TFzyFloat X = Lo - Width / 10;
  const TFzyFloat Step = Width * 1.2 / 997;
  for (auto _ : State) {
    benchmark::DoNotOptimize(Set.DegreeOfMembership(X));
    X += Step;
    if (X > Hi + Width / 10) X = Lo - Width / 10;
  }
}

// ---------------------------------------------------------------------------------------------
// Membership

void BM_MembershipTriangle_Collection(benchmark::State& State) {
  TFuzzySet Set(nullptr);
  Set.CreateTriangleFunctionValues(0, 5, 10);
  Membership(State, Set, 0, 10);
}
BENCHMARK(BM_MembershipTriangle_Collection);

void BM_MembershipTriangle_Interface(benchmark::State& State) {
  const Intf<IFuzzySet> Set(new TIFuzzySet(nullptr, "s"));
  Set->CreateTriangleFunctionValues(0, 5, 10);
  Membership(State, *Set, 0, 10);
}
BENCHMARK(BM_MembershipTriangle_Interface);

void BM_MembershipTenPoints_Collection(benchmark::State& State) {
  TFuzzySet Set(nullptr);
  Fill(Set, Wave(0));
  Membership(State, Set, 0, 9);
}
BENCHMARK(BM_MembershipTenPoints_Collection);

void BM_MembershipTenPoints_Interface(benchmark::State& State) {
  const Intf<IFuzzySet> Set(new TIFuzzySet(nullptr, "s"));
  Fill(*Set, Wave(0));
  Membership(State, *Set, 0, 9);
}
BENCHMARK(BM_MembershipTenPoints_Interface);

// ---------------------------------------------------------------------------------------------
// Union of two ten-point sets of one variable over [0, 10]

void BM_UnionTenPoints_Collection(benchmark::State& State) {
  TFuzzyVariable Variable(nullptr);
  Variable.SetMaximum(10);
  TFuzzySet* A = Variable.GetItems()->Add("a");
  TFuzzySet* B = Variable.GetItems()->Add("b");
  Fill(*A, Wave(0));
  Fill(*B, Wave(2));
  for (auto _ : State) {
    std::unique_ptr<TFuzzySet> Result(A->Union(B));
    benchmark::DoNotOptimize(Result->GetValues()->GetCount());
  }
}
BENCHMARK(BM_UnionTenPoints_Collection);

void BM_UnionTenPoints_Interface(benchmark::State& State) {
  const Intf<IFuzzyVariable> Variable(new TIFuzzyVariable("v"));
  Variable->SetMaximum(10);
  const Intf<IFuzzySet> A = Variable->Add("a");
  const Intf<IFuzzySet> B = Variable->Add("b");
  Fill(*A, Wave(0));
  Fill(*B, Wave(2));
  for (auto _ : State) {
    const Intf<IFuzzySet> Result = A->Union(B.get());
    benchmark::DoNotOptimize(Result->GetCount());
  }
}
BENCHMARK(BM_UnionTenPoints_Interface);

// ---------------------------------------------------------------------------------------------
// Nine rules over variables on [0, 1] with the terms low, medium and high

const std::vector<TPoint> kLow = {{0, 1}, {0.5, 0}};
const std::vector<TPoint> kMedium = {{0, 0}, {0.5, 1}, {1, 0}};
const std::vector<TPoint> kHigh = {{0.5, 0}, {1, 1}};

void BM_NineRuleStep_Collection(benchmark::State& State) {
  TFuzzyVariable Input(nullptr);
  TFuzzyVariable Output(nullptr);
  for (TFuzzyVariable* V : {&Input, &Output}) {
    Fill(*V->GetItems()->Add("low"), kLow);
    Fill(*V->GetItems()->Add("medium"), kMedium);
    Fill(*V->GetItems()->Add("high"), kHigh);
  }
  TFuzzySet* Evidence = Input.GetItems()->Add("reading");
  Evidence->CreateTriangleFunctionValues(0.3, 0.4, 0.5);
  TFuzzySets& In = *Input.GetItems();
  TFuzzySets& Out = *Output.GetItems();
  for (auto _ : State) {
    TFuzzySet* Result = nullptr;
    for (int Rule = 0; Rule < 9; ++Rule) {
      TFuzzySet* Next = Output.AssertRule(In[Rule % 3], Out[(Rule / 3 + Rule % 3) % 3], Evidence, Result);
      if (Next == nullptr) continue;
      delete Result;
      Result = Next;
    }
    benchmark::DoNotOptimize(Result ? Result->Defuzzify() : 0.0);
    delete Result;
  }
}
BENCHMARK(BM_NineRuleStep_Collection);

void BM_NineRuleStep_Interface(benchmark::State& State) {
  const Intf<IFuzzyVariable> Input(new TIFuzzyVariable("temperature"));
  const Intf<IFuzzyVariable> Output(new TIFuzzyVariable("power"));
  std::vector<Intf<IFuzzySet>> In;
  std::vector<Intf<IFuzzySet>> Out;
  for (auto* Terms : {&In, &Out}) {
    IFuzzyVariable* V = Terms == &In ? Input.get() : Output.get();
    for (const auto& [Name, Points] : {std::pair{"low", &kLow}, {"medium", &kMedium}, {"high", &kHigh}}) {
      Terms->push_back(V->Add(Name));
      Fill(*Terms->back(), *Points);
    }
  }
  const Intf<IFuzzySet> Evidence = Input->Add("reading");
  Evidence->CreateTriangleFunctionValues(0.3, 0.4, 0.5);
  for (auto _ : State) {
    Intf<IFuzzySet> Result;
    for (int Rule = 0; Rule < 9; ++Rule) {
      Intf<IFuzzySet> Next =
          Output->AssertRule(In[Rule % 3].get(), Out[(Rule / 3 + Rule % 3) % 3].get(), Evidence.get(), Result.get());
      if (Next) Result = std::move(Next);
    }
    benchmark::DoNotOptimize(Result ? Result->Defuzzify() : 0.0);
  }
}
BENCHMARK(BM_NineRuleStep_Interface);

}  // namespace
