// Tarnwick's side of the peer benchmark: sets of a variable with the shape's range, the
// nine-rule step through TFuzzyVariable::AssertRule, and the definition-language parser and
// printer.
#include <cmath>
#include <cstddef>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "PeerSides.h"
#include "tarnwick/model/FuzzyLogic.h"
#include "tarnwick/parser/KVFuzzyLogicParser.h"
#include "tarnwick/platform/Strings.h"

namespace peer::tarnwick_side {

using namespace tarnwick;

namespace {

// A set in a variable of its own, so that the centroid integrates over the shape's range.
class TShapeSet {
 public:
  explicit TShapeSet(const TShape& Shape) : FVariable(nullptr) {
    FVariable.SetMaximum(Shape.Maximum);
    FVariable.SetMinimum(Shape.Minimum);
    FSet = FVariable.GetItems()->Add("shape");
    if (Shape.Kind == TShapeKind::Triangle) {
      FSet->CreateTriangleFunctionValues(Shape.Points[0].X, Shape.Points[1].X, Shape.Points[2].X);
    } else {
      TUpdateBlock<TCollection> Block(*FSet->GetValues());
      for (const TPoint& P : Shape.Points) FSet->GetValues()->Add(P.X, P.Y);
    }
  }
  const TFuzzySet& Set() const { return *FSet; }

 private:
  TFuzzyVariable FVariable;
  TFuzzySet* FSet;
};

// Inputs a and b and output c with the terms low, medium and high; the crisp readings of a and
// b are sets of their variables that each step rewrites.
class TStep {
 public:
  TStep() {
    FLogic.SetAutoTerms(false);
    TFuzzyVariable* Vars[3];
    const char* Names[3] = {"a", "b", "c"};
    for (int V = 0; V < 3; ++V) {
      Vars[V] = FLogic.GetItems()->Add(Names[V]);
      for (int K = 0; K < 3; ++K) {
        TFuzzySet* Term = Vars[V]->GetItems()->Add(kTermNames[K]);
        Term->CreateTriangleFunctionValues(kStepTriangles[K][0], kStepTriangles[K][1], kStepTriangles[K][2]);
        FTerms[V][K] = Term;
      }
    }
    FOutput = Vars[2];
    FReadingA = Vars[0]->GetItems()->Add("reading");
    FReadingB = Vars[1]->GetItems()->Add("reading");
  }

  // One step: read the inputs, assert the nine rules into one result, defuzzify it, free it.
  double Run(double A, double B) {
    FReadingA->CreateCrispValue(A);
    FReadingB->CreateCrispValue(B);
    TFuzzySet* const Matchings[2] = {FReadingA, FReadingB};
    TFuzzySet* Result = nullptr;
    for (int I = 0; I < 3; ++I)
      for (int J = 0; J < 3; ++J) {
        TFuzzySet* const Premises[2] = {FTerms[0][I], FTerms[1][J]};
        TFuzzySet* Next = FOutput->AssertRule(Premises, Matchings, FTerms[2][RuleOutput(I, J)], Result);
        if (Next == nullptr) continue;
        delete Result;
        Result = Next;
      }
    const double Output = Result != nullptr ? Result->Defuzzify() : std::nan("");
    delete Result;
    return Output;
  }

  std::array<double, 9> Strengths() const {
    std::array<double, 9> S{};
    TFuzzySet* const Matchings[2] = {FReadingA, FReadingB};
    for (int I = 0; I < 3; ++I)
      for (int J = 0; J < 3; ++J) {
        TFuzzySet* const Premises[2] = {FTerms[0][I], FTerms[1][J]};
        S[I * 3 + J] = FOutput->GetCorrelationStrength(Premises, Matchings);
      }
    return S;
  }

  double Threshold() const { return FOutput->GetThreshold(); }

 private:
  TFuzzyLogic FLogic{nullptr};
  TFuzzySet* FTerms[3][3] = {};
  TFuzzyVariable* FOutput = nullptr;
  TFuzzySet* FReadingA = nullptr;
  TFuzzySet* FReadingB = nullptr;
};

// A logic component with its parser, as a host links them.
class TDefinitions {
 public:
  TDefinitions() {
    FLogic.SetAutoTerms(false);
    FLogic.SetParser(&FParser);
    FParser.SetFuzzyLogic(&FLogic);
  }
  void Parse(const std::string& Text) {
    FLogic.GetItems()->Clear();
    FParser.Parse(Text, nullptr);
  }
  std::string Print() {
    std::string Text;
    for (std::int32_t I = 0; I < FLogic.GetItems()->GetCount(); ++I)
      Text += FParser.PrettyPrint(FLogic.GetItems()->GetItem(I));
    return Text;
  }
  const TFuzzyLogic& Logic() const { return FLogic; }

 private:
  TFuzzyLogic FLogic{nullptr};
  TKVFuzzyLogicParser FParser{nullptr};
};

// A definition read the way a host first meets the library: a new logic component and parser
// with their default settings, linked both ways, the text handed over through Strings, and
// both destroyed at the end of the scope; Read sees the logic before they go.
template <typename TRead>
void WithFreshComponents(const TStringList& Text, TRead&& Read) {
  TFuzzyLogic Logic(nullptr);
  TKVFuzzyLogicParser Parser(nullptr);
  Logic.SetParser(&Parser);
  Parser.SetFuzzyLogic(&Logic);
  Logic.SetStrings(&Text);
  Read(Logic);
}

// Everything the timed loops use, built once on first use and kept for the program's life.
struct TFixture {
  std::map<std::string, std::unique_ptr<TShapeSet>> Sets;
  std::map<std::string, std::vector<double>> Queries;
  std::map<std::string, std::unique_ptr<TShapeSet>> SpreadSets;
  std::vector<double> SpreadQueries = SpreadQueryPoints(kSpreadQueries);
  TStringList UserText;
  TStep Step;
  std::vector<std::array<double, 2>> StepInputs = peer::StepInputs();
  std::string Text = ModelText(TermsOnlyModel(kModelVariables));
  TDefinitions Parsed;

  TFixture() {
    for (const TShape& S : MembershipShapes()) {
      Sets[S.Name] = std::make_unique<TShapeSet>(S);
      Queries[S.Name] = QueryPoints(S);
    }
    for (const TShape& S : SpreadShapes()) SpreadSets[S.Name] = std::make_unique<TShapeSet>(S);
    UserText.SetText(ModelText(UserModel()));
    Parsed.Parse(Text);
  }
};

TFixture& Fixture() {
  static TFixture F;
  return F;
}

}  // namespace

TBenchmarks Benchmarks() {
  TFixture& F = Fixture();
  TBenchmarks B;
  for (const TShape& S : MembershipShapes()) {
    const TFuzzySet* Set = &F.Sets[S.Name]->Set();
    const std::vector<double>* Xs = &F.Queries[S.Name];
    B["membership/" + S.Name] = [Set, Xs](benchmark::State& State) {
      std::size_t I = 0;
      for (auto _ : State) {
        benchmark::DoNotOptimize(Set->DegreeOfMembership((*Xs)[I]));
        I = (I + 1) % Xs->size();
      }
    };
    B["centroid/" + S.Name] = [Set](benchmark::State& State) {
      for (auto _ : State) benchmark::DoNotOptimize(Set->CenterOfGravity());
    };
  }
  for (const TShape& S : SpreadShapes()) {
    const TFuzzySet* Set = &F.SpreadSets[S.Name]->Set();
    const std::vector<double>* Xs = &F.SpreadQueries;
    B["membership-spread/" + S.Name] = [Set, Xs](benchmark::State& State) {
      std::size_t I = 0;
      for (auto _ : State) {
        benchmark::DoNotOptimize(Set->DegreeOfMembership((*Xs)[I]));
        I = (I + 1) % Xs->size();
      }
    };
  }
  B["parse-fresh"] = [&F](benchmark::State& State) {
    for (auto _ : State) WithFreshComponents(F.UserText, [](const TFuzzyLogic& Logic) { benchmark::DoNotOptimize(&Logic); });
    State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations() * F.UserText.GetText().size()));
  };
  B["step"] = [&F](benchmark::State& State) {
    std::size_t I = 0;
    for (auto _ : State) {
      benchmark::DoNotOptimize(F.Step.Run(F.StepInputs[I][0], F.StepInputs[I][1]));
      I = (I + 1) % F.StepInputs.size();
    }
  };
  B["parse"] = [&F](benchmark::State& State) {
    TDefinitions D;
    for (auto _ : State) D.Parse(F.Text);
    State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations() * F.Text.size()));
  };
  B["print"] = [&F](benchmark::State& State) {
    for (auto _ : State) {
      std::string Text = F.Parsed.Print();
      benchmark::DoNotOptimize(Text.data());
    }
  };
  return B;
}

std::vector<double> Membership(const TShape& Shape, const std::vector<double>& Xs) {
  const TShapeSet S(Shape);
  std::vector<double> Degrees;
  for (double X : Xs) Degrees.push_back(S.Set().DegreeOfMembership(X));
  return Degrees;
}

double Centroid(const TShape& Shape) { return TShapeSet(Shape).Set().CenterOfGravity(); }

double StepThreshold() { return TStep().Threshold(); }

TStepAnswer Step(double A, double B) {
  TStep S;
  TStepAnswer Answer;
  Answer.Output = S.Run(A, B);
  Answer.Strengths = S.Strengths();
  return Answer;
}

std::string ModelText(const std::vector<TModelVariable>& Model) {
  std::ostringstream S;
  for (const TModelVariable& V : Model) {
    S << "(deffuzzy " << V.Name << " (range " << V.Minimum << " " << V.Maximum << ")\n  (values";
    for (const TShape& T : V.Terms) {
      S << "\n    (term " << T.Name << " ";
      if (T.Kind == TShapeKind::Triangle) {
        S << "(tri " << T.Points[0].X << " " << T.Points[1].X << " " << T.Points[2].X << "))";
      } else {
        S << "(";
        for (std::size_t I = 0; I < T.Points.size(); ++I)
          S << (I ? " " : "") << "(" << T.Points[I].X << " " << T.Points[I].Y << ")";
        S << "))";
      }
    }
    S << "))\n";
  }
  return S.str();
}

namespace {

TModelReading ReadLogic(const TFuzzyLogic& Logic, std::size_t TextBytes) {
  TModelReading R;
  R.TextBytes = TextBytes;
  const std::vector<double> Xs = ModelProbe();
  const TFuzzyVariables& Vars = *Logic.GetItems();
  for (std::int32_t I = 0; I < Vars.GetCount(); ++I) {
    const TFuzzyVariable& V = *Vars[I];
    R.Names.push_back(V.GetName());
    R.Ranges.push_back(V.GetMinimum());
    R.Ranges.push_back(V.GetMaximum());
    for (std::int32_t J = 0; J < V.GetItems()->GetCount(); ++J) {
      const TFuzzySet& Set = *V.GetItems()->GetItem(J);
      R.Names.push_back(V.GetName() + "." + Set.GetName());
      for (double X : Xs) R.Degrees.push_back(Set.DegreeOfMembership(X));
    }
  }
  return R;
}

}  // namespace

TModelReading Read(const std::string& Text) {
  TDefinitions D;
  D.Parse(Text);
  return ReadLogic(D.Logic(), Text.size());
}

TModelReading ReadFresh(const std::string& Text) {
  TStringList Lines;
  Lines.SetText(Text);
  TModelReading R;
  WithFreshComponents(Lines, [&](const TFuzzyLogic& Logic) { R = ReadLogic(Logic, Text.size()); });
  return R;
}

std::string Print(const std::string& Text) {
  TDefinitions D;
  D.Parse(Text);
  return D.Print();
}

}  // namespace peer::tarnwick_side
