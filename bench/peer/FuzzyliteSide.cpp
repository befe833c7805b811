// fuzzylite's side of the peer benchmark, through its public API only: Triangle, Trapezoid and
// Discrete terms, the Centroid defuzzifier, a Mamdani engine, and the FLL importer and
// exporter.
#include <fl/Headers.h>

#include <cmath>
#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "PeerSides.h"

namespace peer::fuzzylite_side {

namespace {

std::unique_ptr<fl::Term> MakeTerm(const TShape& Shape) {
  const std::vector<TPoint>& P = Shape.Points;
  switch (Shape.Kind) {
    case TShapeKind::Triangle:
      return std::make_unique<fl::Triangle>(Shape.Name, P[0].X, P[1].X, P[2].X);
    case TShapeKind::Trapezoid:
      return std::make_unique<fl::Trapezoid>(Shape.Name, P[0].X, P[1].X, P[2].X, P[3].X);
    case TShapeKind::Discrete: {
      std::vector<fl::Discrete::Pair> XY;
      for (const TPoint& Point : P) XY.emplace_back(Point.X, Point.Y);
      return std::make_unique<fl::Discrete>(Shape.Name, XY);
    }
  }
  throw std::logic_error("unknown shape");
}

// Inputs a and b and output c with the terms low, medium and high; rules joined by the
// minimum, aggregated by the maximum, defuzzified by the centroid at the benchmark resolution.
class TStep {
 public:
  explicit TStep(bool ProductImplication) : FEngine(std::make_unique<fl::Engine>("step")) {
    FA = new fl::InputVariable("a", 0, 1);
    FB = new fl::InputVariable("b", 0, 1);
    FC = new fl::OutputVariable("c", 0, 1);
    for (int K = 0; K < 3; ++K) {
      const auto& T = kStepTriangles[K];
      FA->addTerm(new fl::Triangle(kTermNames[K], T[0], T[1], T[2]));
      FB->addTerm(new fl::Triangle(kTermNames[K], T[0], T[1], T[2]));
      FC->addTerm(new fl::Triangle(kTermNames[K], T[0], T[1], T[2]));
    }
    FC->setAggregation(new fl::Maximum);
    FC->setDefuzzifier(new fl::Centroid(kCentroidResolution));
    FC->setDefaultValue(fl::nan);
    FEngine->addInputVariable(FA);
    FEngine->addInputVariable(FB);
    FEngine->addOutputVariable(FC);
    FRules = new fl::RuleBlock("rules");
    FRules->setConjunction(new fl::Minimum);
    FRules->setDisjunction(new fl::Maximum);
    FRules->setImplication(ProductImplication ? static_cast<fl::TNorm*>(new fl::AlgebraicProduct)
                                              : static_cast<fl::TNorm*>(new fl::Minimum));
    FRules->setActivation(new fl::General);
    for (int I = 0; I < 3; ++I)
      for (int J = 0; J < 3; ++J)
        FRules->addRule(fl::Rule::parse(std::string("if a is ") + kTermNames[I] + " and b is " + kTermNames[J] +
                                            " then c is " + kTermNames[RuleOutput(I, J)],
                                        FEngine.get()));
    FEngine->addRuleBlock(FRules);
    std::string Status;
    if (!FEngine->isReady(&Status)) throw std::runtime_error("fuzzylite engine not ready: " + Status);
  }

  double Run(double A, double B) {
    FA->setValue(A);
    FB->setValue(B);
    FEngine->process();
    return FC->getValue();
  }

  std::array<double, 9> Strengths() const {
    std::array<double, 9> S{};
    for (std::size_t R = 0; R < 9; ++R) S[R] = FRules->getRule(R)->getActivationDegree();
    return S;
  }

 private:
  std::unique_ptr<fl::Engine> FEngine;
  fl::InputVariable* FA;
  fl::InputVariable* FB;
  fl::OutputVariable* FC;
  fl::RuleBlock* FRules;
};

std::unique_ptr<fl::Engine> BuildEngine(const std::vector<TModelVariable>& Model) {
  auto Engine = std::make_unique<fl::Engine>("terms");
  for (const TModelVariable& V : Model) {
    auto* Input = new fl::InputVariable(V.Name, V.Minimum, V.Maximum);
    for (const TShape& T : V.Terms) Input->addTerm(MakeTerm(T).release());
    Engine->addInputVariable(Input);
  }
  return Engine;
}

std::unique_ptr<fl::Engine> Import(const std::string& Text) {
  return std::unique_ptr<fl::Engine>(fl::FllImporter().fromString(Text));
}

struct TFixture {
  std::map<std::string, std::unique_ptr<fl::Term>> Terms;
  std::map<std::string, std::vector<double>> Queries;
  std::map<std::string, TShape> Shapes;
  std::map<std::string, std::unique_ptr<fl::Term>> SpreadTerms;
  std::vector<double> SpreadQueries = SpreadQueryPoints(kSpreadQueries);
  std::string UserText = ModelText(UserModel());
  TStep Step{false};
  std::vector<std::array<double, 2>> StepInputs = peer::StepInputs();
  std::string Text = ModelText(TermsOnlyModel(kModelVariables));
  std::unique_ptr<fl::Engine> Parsed = Import(Text);

  TFixture() {
    for (const TShape& S : MembershipShapes()) {
      Terms[S.Name] = MakeTerm(S);
      Queries[S.Name] = QueryPoints(S);
      Shapes.emplace(S.Name, S);
    }
    for (const TShape& S : SpreadShapes()) SpreadTerms[S.Name] = MakeTerm(S);
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
    const fl::Term* Term = F.Terms[S.Name].get();
    const std::vector<double>* Xs = &F.Queries[S.Name];
    B["membership/" + S.Name] = [Term, Xs](benchmark::State& State) {
      std::size_t I = 0;
      for (auto _ : State) {
        benchmark::DoNotOptimize(Term->membership((*Xs)[I]));
        I = (I + 1) % Xs->size();
      }
    };
    const double Min = S.Minimum, Max = S.Maximum;
    B["centroid/" + S.Name] = [Term, Min, Max](benchmark::State& State) {
      const fl::Centroid Centroid(kCentroidResolution);
      for (auto _ : State) benchmark::DoNotOptimize(Centroid.defuzzify(Term, Min, Max));
    };
  }
  for (const TShape& S : SpreadShapes()) {
    const fl::Term* Term = F.SpreadTerms[S.Name].get();
    const std::vector<double>* Xs = &F.SpreadQueries;
    B["membership-spread/" + S.Name] = [Term, Xs](benchmark::State& State) {
      std::size_t I = 0;
      for (auto _ : State) {
        benchmark::DoNotOptimize(Term->membership((*Xs)[I]));
        I = (I + 1) % Xs->size();
      }
    };
  }
  // An engine from the FLL importer each time, destroyed again: fuzzylite's counterpart of
  // new components reading a definition.
  B["parse-fresh"] = [&F](benchmark::State& State) {
    for (auto _ : State) {
      std::unique_ptr<fl::Engine> Engine(fl::FllImporter().fromString(F.UserText));
      benchmark::DoNotOptimize(Engine.get());
    }
    State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations() * F.UserText.size()));
  };
  B["step"] = [&F](benchmark::State& State) {
    std::size_t I = 0;
    for (auto _ : State) {
      benchmark::DoNotOptimize(F.Step.Run(F.StepInputs[I][0], F.StepInputs[I][1]));
      I = (I + 1) % F.StepInputs.size();
    }
  };
  B["parse"] = [&F](benchmark::State& State) {
    const fl::FllImporter Importer;
    for (auto _ : State) {
      std::unique_ptr<fl::Engine> Engine(Importer.fromString(F.Text));
      benchmark::DoNotOptimize(Engine.get());
    }
    State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations() * F.Text.size()));
  };
  B["print"] = [&F](benchmark::State& State) {
    const fl::FllExporter Exporter;
    for (auto _ : State) {
      std::string Text = Exporter.toString(F.Parsed.get());
      benchmark::DoNotOptimize(Text.data());
    }
  };
  return B;
}

std::vector<double> Membership(const TShape& Shape, const std::vector<double>& Xs) {
  const std::unique_ptr<fl::Term> Term = MakeTerm(Shape);
  std::vector<double> Degrees;
  for (double X : Xs) Degrees.push_back(Term->membership(X));
  return Degrees;
}

double Centroid(const TShape& Shape, int Resolution) {
  return fl::Centroid(Resolution).defuzzify(MakeTerm(Shape).get(), Shape.Minimum, Shape.Maximum);
}

TStepAnswer Step(double A, double B, bool ProductImplication) {
  TStep S(ProductImplication);
  TStepAnswer Answer;
  Answer.Output = S.Run(A, B);
  Answer.Strengths = S.Strengths();
  return Answer;
}

std::string ModelText(const std::vector<TModelVariable>& Model) {
  return fl::FllExporter().toString(BuildEngine(Model).get());
}

TModelReading Read(const std::string& Text) {
  const std::unique_ptr<fl::Engine> Engine = Import(Text);
  TModelReading R;
  R.TextBytes = Text.size();
  const std::vector<double> Xs = ModelProbe();
  for (const fl::InputVariable* V : Engine->inputVariables()) {
    R.Names.push_back(V->getName());
    R.Ranges.push_back(V->getMinimum());
    R.Ranges.push_back(V->getMaximum());
    for (const fl::Term* T : V->terms()) {
      R.Names.push_back(V->getName() + "." + T->getName());
      for (double X : Xs) R.Degrees.push_back(T->membership(X));
    }
  }
  return R;
}

std::string Print(const std::string& Text) { return fl::FllExporter().toString(Import(Text).get()); }

}  // namespace peer::fuzzylite_side
