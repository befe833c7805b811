// The workloads of the peer benchmark, described once and independently of either library: the
// membership shapes with their ranges and query points, the nine-rule step's terms, rules and
// inputs, and the terms-only model that is parsed and printed. Each library's side builds its
// own objects from these descriptions, so both are measured on the same shapes and inputs.
//
// Every coordinate is a small dyadic fraction. On those both libraries' interpolation formulas
// are exact, so their membership degrees must agree bit for bit; a difference is a difference
// of meaning, not of rounding. The printed model keeps to eighths, which fuzzylite's three
// decimals and Tarnwick's four both write exactly.
#ifndef TARNWICK_BENCH_PEER_PEERSHAPES_H_
#define TARNWICK_BENCH_PEER_PEERSHAPES_H_

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace peer {

struct TPoint {
  double X, Y;
};

enum class TShapeKind { Triangle, Trapezoid, Discrete };

// A membership function as fuzzylite names it and as the points Tarnwick holds for it.
struct TShape {
  std::string Name;
  TShapeKind Kind;
  std::vector<TPoint> Points;  // Triangle: a, b, c; Trapezoid: a, b, c, d; Discrete: all
  double Minimum, Maximum;     // the variable's range: centroids integrate over it
};

// The shapes of the membership and centroid rows: a triangle, a trapezoid, and 10- and 100-point
// sets with X at the integers and degrees in sixteenths.
std::vector<TShape> MembershipShapes();

// Query points: 1024 per shape, on a 1/64 grid from a tenth of the width below the range to a
// tenth above it.
std::vector<double> QueryPoints(const TShape& Shape);

// Seeded, arbitrary doubles over the same span, for the report of how far the two libraries'
// roundings drift apart where the arithmetic is not exact.
std::vector<double> RandomQueryPoints(const TShape& Shape, int Count);

// The shapes of the membership rows as a user meets them: a triangle, a trapezoid and 10- and
// 100-point sets whose support is [0, 10], the variable's range, asked at x spread evenly over
// [-1, 11] (SpreadQueryPoints), so that a sixth of the queries fall outside the support. These
// X values are not all dyadic: the two libraries may round apart, by no more than an ulp or two.
std::vector<TShape> SpreadShapes();
inline constexpr double kSpreadLow = -1, kSpreadHigh = 11;
// Seeded, arbitrary doubles in [kSpreadLow, kSpreadHigh).
std::vector<double> SpreadQueryPoints(int Count);

// The membership degree by the shape's own definition, for the check of both sides.
double ExactMembership(const TShape& Shape, double X);

// The centroid of the area under a piecewise-linear function over [Minimum, Maximum], flat
// beyond its first and last point, integrated segment by segment in long double.
double ExactCentroid(const std::vector<TPoint>& Points, double Minimum, double Maximum);

// --- The nine-rule step: inputs a and b, output c, each over [0, 1] with the triangles low,
// medium and high; rule (i, j) reads "if a is A[i] and b is B[j] then c is C[RuleOutput(i, j)]".
inline constexpr std::array<const char*, 3> kTermNames = {"low", "medium", "high"};
inline constexpr std::array<std::array<double, 3>, 3> kStepTriangles = {{
    {0.0, 0.25, 0.5}, {0.25, 0.5, 0.75}, {0.5, 0.75, 1.0}}};
inline int RuleOutput(int I, int J) { return (I + J + 1) / 2; }
// The crisp inputs (a, b) that successive steps read, on a 1/64 grid inside (0, 1).
std::vector<std::array<double, 2>> StepInputs();
// The rule strengths min(A[i](a), B[j](b)), rule by rule (i outer, j inner).
std::array<double, 9> StepStrengths(double A, double B);

// Exact centroids of the step's output. Tarnwick's minimum correlation lowers the points above
// the strength and adds none, which turns a triangle of height 1 into one of height s (the same
// as scaling it); fuzzylite's minimum implication clips it into a trapezoid. Rules below
// Threshold do not fire.
double ExactStepCentroidLowered(double A, double B, double Threshold);
double ExactStepCentroidClipped(double A, double B);

// --- The terms-only model that is parsed and printed.
struct TModelVariable {
  std::string Name;
  double Minimum, Maximum;
  std::vector<TShape> Terms;
};
std::vector<TModelVariable> TermsOnlyModel(int Variables);
// A small definition as a user writes one: three variables with the terms low, medium and high
// (a triangle, a trapezoid, a triangle), under 500 bytes of Tarnwick's text.
std::vector<TModelVariable> UserModel();
// The X values at which the checks read parsed models: a 1/64 grid a little wider than the range.
std::vector<double> ModelProbe();

}  // namespace peer

#endif  // TARNWICK_BENCH_PEER_PEERSHAPES_H_
