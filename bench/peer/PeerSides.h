// What each library's side of the peer benchmark offers: its timed loops, keyed by table row,
// and the answers the checks compare. The two sides live in translation units of their own so
// that neither library's headers meet the other's.
#ifndef TARNWICK_BENCH_PEER_PEERSIDES_H_
#define TARNWICK_BENCH_PEER_PEERSIDES_H_

#include <benchmark/benchmark.h>

#include <array>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "PeerShapes.h"

namespace peer {

using TBenchmarks = std::map<std::string, std::function<void(benchmark::State&)>>;

// Row keys: "membership/<shape>", "centroid/<shape>" (shape names of MembershipShapes),
// "membership-spread/<shape>" (shape names of SpreadShapes), "step", "parse", "parse-fresh",
// "print". Each side builds its objects when asked for its loops.
inline constexpr int kModelVariables = 10;
inline constexpr int kCentroidResolution = 100;
inline constexpr int kSpreadQueries = 4096;

// The answers of one side for the checks.
struct TStepAnswer {
  double Output;                  // the defuzzified output
  std::array<double, 9> Strengths;  // the firing strength of each rule
};

// A parsed model read back through the library: names in order, and each term's membership
// at every X of the probe.
struct TModelReading {
  std::vector<std::string> Names;  // "variable" and "variable.term"
  std::vector<double> Ranges;      // minimum, maximum per variable
  std::vector<double> Degrees;     // term by term, X by X
  std::size_t TextBytes = 0;       // the parsed text's length
};

namespace tarnwick_side {
TBenchmarks Benchmarks();
std::vector<double> Membership(const TShape& Shape, const std::vector<double>& Xs);
double Centroid(const TShape& Shape);
double StepThreshold();
TStepAnswer Step(double A, double B);
std::string ModelText(const std::vector<TModelVariable>& Model);
TModelReading Read(const std::string& Text);
// Reads Text as the parse-fresh row does: new components with their defaults, through Strings.
TModelReading ReadFresh(const std::string& Text);
std::string Print(const std::string& Text);  // parses, then prints the model
}  // namespace tarnwick_side

namespace fuzzylite_side {
TBenchmarks Benchmarks();
std::vector<double> Membership(const TShape& Shape, const std::vector<double>& Xs);
double Centroid(const TShape& Shape, int Resolution);
// ProductImplication: the algebraic product instead of the minimum as the implication.
TStepAnswer Step(double A, double B, bool ProductImplication);
std::string ModelText(const std::vector<TModelVariable>& Model);  // FLL, through the exporter
TModelReading Read(const std::string& Text);
std::string Print(const std::string& Text);
}  // namespace fuzzylite_side

}  // namespace peer

#endif  // TARNWICK_BENCH_PEER_PEERSIDES_H_
