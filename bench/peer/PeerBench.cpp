// Tarnwick side by side with fuzzylite: the same shapes and inputs through both libraries in
// one process. First the checks (membership degrees identical, centroids against their exact
// values, the rule strengths of the step identical, parsed and printed models read back alike);
// then each row's two loops under Google Benchmark, one after the other; then the table of
// time ratios Tarnwick / fuzzylite, from the median and from the fastest of the repetitions.
//
//   PeerBench [--benchmark_repetitions=N] [--benchmark_filter=...] [other benchmark flags]
//
// The program exits with 1 when a check fails: timing two libraries that answer differently
// would compare different work.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

#include "PeerShapes.h"
#include "PeerSides.h"

namespace peer {
namespace {

// --- Checks

class TChecks {
 public:
  void Line(const std::string& Text) { std::printf("  %s\n", Text.c_str()); }
  void Fail(const std::string& Text) {
    std::printf("  FAILED: %s\n", Text.c_str());
    FPassed = false;
  }
  bool Passed() const { return FPassed; }

 private:
  bool FPassed = true;
};

std::string Num(double V, const char* Format = "%.3g") {
  char Buffer[64];
  std::snprintf(Buffer, sizeof Buffer, Format, V);
  return Buffer;
}

// Both sides must give the exact degree on the grid; off the grid only the rounding may differ.
void CheckMembership(TChecks& C) {
  for (const TShape& S : MembershipShapes()) {
    const std::vector<double> Xs = QueryPoints(S);
    const std::vector<double> T = tarnwick_side::Membership(S, Xs);
    const std::vector<double> F = fuzzylite_side::Membership(S, Xs);
    int Differ = 0;
    for (std::size_t I = 0; I < Xs.size(); ++I) {
      const double E = ExactMembership(S, Xs[I]);
      if (T[I] != E || F[I] != E) {
        if (Differ++ < 3)
          C.Fail("membership of the " + S.Name + " at " + Num(Xs[I], "%.17g") + ": exact " + Num(E, "%.17g") +
                 ", Tarnwick " + Num(T[I], "%.17g") + ", fuzzylite " + Num(F[I], "%.17g"));
      }
    }
    const std::vector<double> Rs = RandomQueryPoints(S, 10000);
    const std::vector<double> RT = tarnwick_side::Membership(S, Rs);
    const std::vector<double> RF = fuzzylite_side::Membership(S, Rs);
    double MaxDiff = 0;
    int Identical = 0;
    for (std::size_t I = 0; I < Rs.size(); ++I) {
      MaxDiff = std::max(MaxDiff, std::fabs(RT[I] - RF[I]));
      Identical += RT[I] == RF[I];
    }
    if (MaxDiff > 1e-12) C.Fail("membership of the " + S.Name + " off the grid differs by " + Num(MaxDiff));
    C.Line("membership, " + S.Name + ": " + std::to_string(Xs.size()) + " grid points " +
           (Differ ? "DIFFER" : "identical, and exact") + "; " + std::to_string(Rs.size()) +
           " random points: " + std::to_string(Identical) + " identical, largest difference " + Num(MaxDiff));
  }
}

// Off the dyadic grid the two libraries' interpolations may round apart, never by more.
void CheckSpreadMembership(TChecks& C) {
  const std::vector<double> Xs = SpreadQueryPoints(kSpreadQueries);
  for (const TShape& S : SpreadShapes()) {
    const std::vector<double> T = tarnwick_side::Membership(S, Xs);
    const std::vector<double> F = fuzzylite_side::Membership(S, Xs);
    double MaxDiff = 0;
    int Outside = 0;
    for (std::size_t I = 0; I < Xs.size(); ++I) {
      MaxDiff = std::max(MaxDiff, std::fabs(T[I] - F[I]));
      Outside += Xs[I] < S.Points.front().X || Xs[I] > S.Points.back().X;
    }
    if (MaxDiff > 1e-12) C.Fail("membership of the " + S.Name + " over [-1, 11] differs by " + Num(MaxDiff));
    C.Line("membership over [-1, 11], " + S.Name + " on [0, 10]: " + std::to_string(Xs.size()) + " points (" +
           std::to_string(Outside) + " outside the support), largest difference " + Num(MaxDiff));
  }
}

void CheckCentroids(TChecks& C) {
  for (const TShape& S : MembershipShapes()) {
    const double Exact = ExactCentroid(S.Points, S.Minimum, S.Maximum);
    const double T = tarnwick_side::Centroid(S);
    const double F = fuzzylite_side::Centroid(S, kCentroidResolution);
    const double TErr = std::fabs(T - Exact), FErr = std::fabs(F - Exact);
    if (TErr > 1e-12 * std::max(1.0, std::fabs(Exact)))
      C.Fail("Tarnwick's centroid of the " + S.Name + " is " + Num(T, "%.17g") + ", exactly " + Num(Exact, "%.17g"));
    C.Line("centroid, " + S.Name + ": exact " + Num(Exact, "%.12g") + "; Tarnwick off by " + Num(TErr) +
           "; fuzzylite (resolution " + std::to_string(kCentroidResolution) + ") off by " + Num(FErr) + " (" +
           Num(100 * FErr / (S.Maximum - S.Minimum), "%.2g") + " % of the range)");
  }
}

// Tarnwick's minimum correlation lowers a triangle's peak without adding points, so its output
// is the union of scaled triangles, while fuzzylite's minimum implication clips them. Each is
// checked against its own exact centroid; fuzzylite's product implication builds Tarnwick's
// shapes, which shows the two libraries agree up to fuzzylite's sampling.
void CheckStep(TChecks& C) {
  const double Threshold = tarnwick_side::StepThreshold();
  double TErr = 0, FErr = 0, FProductErr = 0, Shift = 0;
  int Mismatch = 0;
  const std::vector<std::array<double, 2>> Inputs = StepInputs();
  for (const auto& In : Inputs) {
    const TStepAnswer T = tarnwick_side::Step(In[0], In[1]);
    const TStepAnswer F = fuzzylite_side::Step(In[0], In[1], false);
    const TStepAnswer FP = fuzzylite_side::Step(In[0], In[1], true);
    const std::array<double, 9> Exact = StepStrengths(In[0], In[1]);
    for (int R = 0; R < 9; ++R)
      if (T.Strengths[R] != Exact[R] || F.Strengths[R] != Exact[R]) {
        if (Mismatch++ < 3)
          C.Fail("strength of rule " + std::to_string(R) + " at (" + Num(In[0]) + ", " + Num(In[1]) + "): exact " +
                 Num(Exact[R], "%.17g") + ", Tarnwick " + Num(T.Strengths[R], "%.17g") + ", fuzzylite " +
                 Num(F.Strengths[R], "%.17g"));
      }
    const double Lowered = ExactStepCentroidLowered(In[0], In[1], Threshold);
    const double Clipped = ExactStepCentroidClipped(In[0], In[1]);
    TErr = std::max(TErr, std::fabs(T.Output - Lowered));
    FErr = std::max(FErr, std::fabs(F.Output - Clipped));
    FProductErr = std::max(FProductErr, std::fabs(FP.Output - T.Output));
    Shift = std::max(Shift, std::fabs(Lowered - Clipped));
  }
  if (TErr > 1e-9) C.Fail("Tarnwick's step output is off its exact centroid by " + Num(TErr));
  C.Line("step, " + std::to_string(Inputs.size()) + " input pairs: the nine rule strengths " +
         (Mismatch ? "DIFFER" : "identical, and exact") + " in both");
  C.Line("  Tarnwick output (minimum correlation: peaks lowered) off its exact centroid by at most " + Num(TErr));
  C.Line("  fuzzylite output (minimum implication: peaks clipped, resolution " +
         std::to_string(kCentroidResolution) + ") off its exact centroid by at most " + Num(FErr));
  C.Line("  fuzzylite with product implication (Tarnwick's shapes) differs from Tarnwick by at most " +
         Num(FProductErr) + "; lowering instead of clipping moves the exact output by up to " + Num(Shift));
}

// Two readings of a model agree when they have the same names, ranges and degrees (within
// Tolerance, for models whose X values are not all dyadic).
std::string Compare(const TModelReading& A, const TModelReading& B, double Tolerance = 0) {
  if (A.Names != B.Names) return "different variables or terms";
  if (A.Ranges != B.Ranges) return "different ranges";
  if (A.Degrees.size() != B.Degrees.size()) return "different numbers of degrees";
  for (std::size_t I = 0; I < A.Degrees.size(); ++I)
    if (std::fabs(A.Degrees[I] - B.Degrees[I]) > Tolerance) return "degree " + std::to_string(I) + " differs";
  return "";
}

void CheckModel(TChecks& C) {
  const std::vector<TModelVariable> Model = TermsOnlyModel(kModelVariables);
  const std::string TText = tarnwick_side::ModelText(Model);
  const std::string FText = fuzzylite_side::ModelText(Model);
  const TModelReading T = tarnwick_side::Read(TText);
  const TModelReading F = fuzzylite_side::Read(FText);
  if (const std::string Why = Compare(T, F); !Why.empty()) C.Fail("the parsed models differ: " + Why);
  const std::string TPrinted = tarnwick_side::Print(TText);
  const std::string FPrinted = fuzzylite_side::Print(FText);
  if (const std::string Why = Compare(T, tarnwick_side::Read(TPrinted)); !Why.empty())
    C.Fail("Tarnwick's printed model reads back differently: " + Why);
  if (const std::string Why = Compare(F, fuzzylite_side::Read(FPrinted)); !Why.empty())
    C.Fail("fuzzylite's printed model reads back differently: " + Why);
  C.Line("parse: " + std::to_string(Model.size()) + " variables of " + std::to_string(Model[0].Terms.size()) +
         " terms; Tarnwick's text " + std::to_string(TText.size()) + " bytes, FLL " + std::to_string(FText.size()) +
         " bytes; both models give the same degrees at " + std::to_string(ModelProbe().size()) + " X per term");
  const std::vector<TModelVariable> User = UserModel();
  const std::string TUser = tarnwick_side::ModelText(User);
  const TModelReading TFresh = tarnwick_side::ReadFresh(TUser);
  if (const std::string Why = Compare(TFresh, fuzzylite_side::Read(fuzzylite_side::ModelText(User)), 1e-12);
      !Why.empty())
    C.Fail("the freshly parsed user models differ: " + Why);
  C.Line("parse, fresh components: " + std::to_string(User.size()) + " variables of " +
         std::to_string(User[0].Terms.size()) + " terms, Tarnwick's text " + std::to_string(TUser.size()) +
         " bytes; both models give the same degrees (within 1e-12)");
  C.Line("print: Tarnwick " + std::to_string(TPrinted.size()) + " bytes, FLL " + std::to_string(FPrinted.size()) +
         " bytes; each reads back to the model it came from");
}

// --- Timing

struct TRow {
  const char* Key;
  const char* Label;
  double Goal;  // the ratio to reach or keep
  const char* GoalText;
  benchmark::TimeUnit Unit;
};

const std::vector<TRow>& Rows() {
  static const std::vector<TRow> R = {
      {"membership/triangle", "membership, triangle: 3-point set vs Triangle", 1.0, "<= 1.0", benchmark::kNanosecond},
      {"membership/trapezoid", "membership, trapezoid: 4-point set vs Trapezoid", 1.0, "<= 1.0",
       benchmark::kNanosecond},
      {"membership/10-point", "membership, 10-point set vs Discrete", 0.5, "<= 0.5", benchmark::kNanosecond},
      {"membership/100-point", "membership, 100-point set vs Discrete", 0.5, "<= 0.5", benchmark::kNanosecond},
      {"centroid/triangle", "centroid (exact vs resolution 100), triangle", 0.09, "keep (0.03-0.09)",
       benchmark::kNanosecond},
      {"centroid/trapezoid", "centroid, trapezoid", 0.09, "keep (0.03-0.09)", benchmark::kNanosecond},
      {"centroid/10-point", "centroid, 10-point set", 0.09, "keep (0.03-0.09)", benchmark::kNanosecond},
      {"centroid/100-point", "centroid, 100-point set", 0.09, "keep (0.03-0.09)", benchmark::kNanosecond},
      {"membership-spread/triangle", "membership over [-1, 11], triangle on [0, 10]", 0.9, "<= 0.9",
       benchmark::kNanosecond},
      {"membership-spread/trapezoid", "membership over [-1, 11], trapezoid on [0, 10]", 0.9, "<= 0.9",
       benchmark::kNanosecond},
      {"membership-spread/10-point", "membership over [-1, 11], 10 points on [0, 10]", 0.5, "keep (<= 0.5)",
       benchmark::kNanosecond},
      {"membership-spread/100-point", "membership over [-1, 11], 100 points on [0, 10]", 0.5, "keep (<= 0.5)",
       benchmark::kNanosecond},
      {"step", "Mamdani step, 2 inputs x 3 terms, 9 rules, min/max, centroid", 0.8, "<= 0.8",
       benchmark::kMicrosecond},
      {"parse", "parse a terms-only definition vs FLL importer", 0.5, "<= 0.5", benchmark::kMicrosecond},
      {"parse-fresh", "parse 3 variables with new components through Strings vs FLL importer", 0.5, "<= 0.5",
       benchmark::kMicrosecond},
      {"print", "print the same model vs FLL exporter", 0.4, "keep <= 0.4", benchmark::kMicrosecond},
  };
  return R;
}

// Passes every report on to the console and keeps the seconds per iteration of each run.
class TCollectingReporter : public benchmark::ConsoleReporter {
 public:
  // Colours only on a terminal, so that a saved report stays plain text.
  TCollectingReporter() : ConsoleReporter(isatty(fileno(stdout)) ? OO_Defaults : OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& Reports) override {
    for (const Run& R : Reports)
      if (R.run_type == Run::RT_Iteration && R.iterations > 0)
        FSeconds[R.run_name.function_name].push_back(R.real_accumulated_time / static_cast<double>(R.iterations));
    ConsoleReporter::ReportRuns(Reports);
  }
  const std::map<std::string, std::vector<double>>& Seconds() const { return FSeconds; }

 private:
  std::map<std::string, std::vector<double>> FSeconds;
};

double Median(std::vector<double> V) {
  std::sort(V.begin(), V.end());
  const std::size_t N = V.size();
  return N % 2 ? V[N / 2] : (V[N / 2 - 1] + V[N / 2]) / 2;
}

std::string Time(double Seconds) {
  if (Seconds < 1e-6) return Num(Seconds * 1e9, "%.1f ns");
  if (Seconds < 1e-3) return Num(Seconds * 1e6, "%.2f us");
  return Num(Seconds * 1e3, "%.2f ms");
}

void PrintTable(const TCollectingReporter& Reporter) {
  const auto& S = Reporter.Seconds();
  std::printf("\nTime ratio Tarnwick / fuzzylite (median of the repetitions; fastest run / fastest run)\n\n");
  std::printf("| operation | Tarnwick | fuzzylite | ratio | fastest | goal | |\n|---|---|---|---|---|---|---|\n");
  for (const TRow& R : Rows()) {
    const auto T = S.find(std::string(R.Key) + "/tarnwick");
    const auto F = S.find(std::string(R.Key) + "/fuzzylite");
    if (T == S.end() || F == S.end()) continue;
    const double TM = Median(T->second), FM = Median(F->second);
    const double TMin = *std::min_element(T->second.begin(), T->second.end());
    const double FMin = *std::min_element(F->second.begin(), F->second.end());
    const double Ratio = TM / FM;
    std::printf("| %s | %s | %s | %.3f | %.3f | %s | %s |\n", R.Label, Time(TM).c_str(), Time(FM).c_str(), Ratio,
                TMin / FMin, R.GoalText, Ratio <= R.Goal ? "met" : "not met");
  }
}

}  // namespace
}  // namespace peer

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

  std::printf("Checks\n");
  peer::TChecks Checks;
  peer::CheckMembership(Checks);
  peer::CheckSpreadMembership(Checks);
  peer::CheckCentroids(Checks);
  peer::CheckStep(Checks);
  peer::CheckModel(Checks);
  std::fflush(stdout);
  if (!Checks.Passed()) {
    std::fprintf(stderr, "A check failed: the two libraries do not answer alike, so their times are not compared.\n");
    return 1;
  }
  std::printf("\n");

  peer::TBenchmarks Tarnwick = peer::tarnwick_side::Benchmarks();
  peer::TBenchmarks Fuzzylite = peer::fuzzylite_side::Benchmarks();
  for (const peer::TRow& R : peer::Rows()) {
    benchmark::RegisterBenchmark((std::string(R.Key) + "/tarnwick").c_str(), Tarnwick.at(R.Key))->Unit(R.Unit);
    benchmark::RegisterBenchmark((std::string(R.Key) + "/fuzzylite").c_str(), Fuzzylite.at(R.Key))->Unit(R.Unit);
  }
  peer::TCollectingReporter Reporter;
  benchmark::RunSpecifiedBenchmarks(&Reporter);
  peer::PrintTable(Reporter);
  benchmark::Shutdown();
  return 0;
}
