// The shared workloads and the exact reference values (long double, segment by segment).
#include "PeerShapes.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>

namespace peer {

namespace {

// A fixed linear congruential sequence, so the shapes are the same on every machine (the
// standard distributions are not).
class TSequence {
 public:
  explicit TSequence(std::uint64_t Seed) : FState(Seed) {}
  std::uint32_t Next() {
    FState = FState * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<std::uint32_t>(FState >> 33);
  }

 private:
  std::uint64_t FState;
};

std::vector<TPoint> Discrete(int Count, double X0, double Dx, int Denominator, std::uint64_t Seed) {
  TSequence S(Seed);
  std::vector<TPoint> Points;
  for (int I = 0; I < Count; ++I)
    Points.push_back({X0 + I * Dx, static_cast<double>(S.Next() % (Denominator + 1)) / Denominator});
  return Points;
}

long double Evaluate(const std::vector<TPoint>& Points, long double X) {
  if (Points.empty()) return 0;
  if (X <= Points.front().X) return Points.front().Y;
  if (X >= Points.back().X) return Points.back().Y;
  for (std::size_t I = 1; I < Points.size(); ++I) {
    const TPoint& P = Points[I - 1];
    const TPoint& Q = Points[I];
    if (X <= Q.X) {
      if (Q.X == P.X) return std::max<long double>(P.Y, Q.Y);
      return P.Y + (X - P.X) * (static_cast<long double>(Q.Y) - P.Y) / (static_cast<long double>(Q.X) - P.X);
    }
  }
  return Points.back().Y;
}

// The centroid of max(Functions) over [Minimum, Maximum]. The maximum of piecewise-linear
// functions is linear between the functions' own corners and the crossings of their segments,
// so integrating between those X values is exact.
double MaxCentroid(const std::vector<std::vector<TPoint>>& Functions, double Minimum, double Maximum) {
  std::vector<long double> Xs = {Minimum, Maximum};
  for (const auto& F : Functions)
    for (const TPoint& P : F) Xs.push_back(P.X);
  for (std::size_t F = 0; F < Functions.size(); ++F)
    for (std::size_t G = F + 1; G < Functions.size(); ++G)
      for (std::size_t I = 1; I < Functions[F].size(); ++I)
        for (std::size_t J = 1; J < Functions[G].size(); ++J) {
          const TPoint &P1 = Functions[F][I - 1], &P2 = Functions[F][I];
          const TPoint &Q1 = Functions[G][J - 1], &Q2 = Functions[G][J];
          if (P1.X == P2.X || Q1.X == Q2.X) continue;
          const long double SP = (static_cast<long double>(P2.Y) - P1.Y) / (static_cast<long double>(P2.X) - P1.X);
          const long double SQ = (static_cast<long double>(Q2.Y) - Q1.Y) / (static_cast<long double>(Q2.X) - Q1.X);
          if (SP == SQ) continue;
          // P1.Y + SP (x - P1.X) = Q1.Y + SQ (x - Q1.X)
          const long double X = (Q1.Y - SQ * Q1.X - P1.Y + SP * P1.X) / (SP - SQ);
          if (X > std::max(P1.X, Q1.X) && X < std::min(P2.X, Q2.X)) Xs.push_back(X);
        }
  std::sort(Xs.begin(), Xs.end());
  Xs.erase(std::unique(Xs.begin(), Xs.end()), Xs.end());
  auto F = [&](long double X) {
    long double Y = 0;
    for (const auto& Fn : Functions) Y = std::max(Y, Evaluate(Fn, X));
    return Y;
  };
  long double Area = 0, Moment = 0;
  for (std::size_t I = 1; I < Xs.size(); ++I) {
    const long double X1 = Xs[I - 1], X2 = Xs[I];
    if (X1 < Minimum || X2 > Maximum) continue;
    const long double Y1 = F(X1), Y2 = F(X2), Dx = X2 - X1;
    Area += Dx * (Y1 + Y2) / 2;
    Moment += Dx * (X1 * (2 * Y1 + Y2) + X2 * (Y1 + 2 * Y2)) / 6;
  }
  return Area == 0 ? 0.0 : static_cast<double>(Moment / Area);
}

long double Triangle(const std::array<double, 3>& T, long double X) {
  if (X <= T[0] || X >= T[2]) return 0;
  if (X <= T[1]) return (X - T[0]) / (T[1] - T[0]);
  return (T[2] - X) / (T[2] - T[1]);
}

std::array<double, 3> OutputStrengths(double A, double B, double Threshold) {
  const std::array<double, 9> S = StepStrengths(A, B);
  std::array<double, 3> W = {0, 0, 0};
  for (int I = 0; I < 3; ++I)
    for (int J = 0; J < 3; ++J)
      if (S[I * 3 + J] >= Threshold) W[RuleOutput(I, J)] = std::max(W[RuleOutput(I, J)], S[I * 3 + J]);
  return W;
}

}  // namespace

std::vector<TShape> MembershipShapes() {
  return {
      {"triangle", TShapeKind::Triangle, {{2, 0}, {6, 1}, {10, 0}}, 0, 16},
      {"trapezoid", TShapeKind::Trapezoid, {{2, 0}, {5, 1}, {9, 1}, {13, 0}}, 0, 16},
      {"10-point", TShapeKind::Discrete, Discrete(10, 0, 1, 16, 10), 0, 9},
      {"100-point", TShapeKind::Discrete, Discrete(100, 0, 1, 16, 100), 0, 99},
  };
}

std::vector<double> QueryPoints(const TShape& Shape) {
  const double Width = Shape.Maximum - Shape.Minimum;
  const double Lo = Shape.Minimum - Width / 10, Hi = Shape.Maximum + Width / 10;
  std::vector<double> Xs;
  for (int J = 0; J < 1024; ++J) Xs.push_back(std::round((Lo + J * (Hi - Lo) / 1023) * 64) / 64);
  return Xs;
}

std::vector<double> RandomQueryPoints(const TShape& Shape, int Count) {
  const double Width = Shape.Maximum - Shape.Minimum;
  std::mt19937_64 Engine(20240611);
  std::uniform_real_distribution<double> D(Shape.Minimum - Width / 10, Shape.Maximum + Width / 10);
  std::vector<double> Xs;
  for (int I = 0; I < Count; ++I) Xs.push_back(D(Engine));
  return Xs;
}

std::vector<TShape> SpreadShapes() {
  auto Spread = [](int Count, std::uint64_t Seed) {
    TSequence S(Seed);
    std::vector<TPoint> Points;
    for (int I = 0; I < Count; ++I)
      Points.push_back({I * 10.0 / (Count - 1), static_cast<double>(S.Next() % 17) / 16});
    return Points;
  };
  return {
      {"triangle", TShapeKind::Triangle, {{0, 0}, {5, 1}, {10, 0}}, 0, 10},
      {"trapezoid", TShapeKind::Trapezoid, {{0, 0}, {2.5, 1}, {7.5, 1}, {10, 0}}, 0, 10},
      {"10-point", TShapeKind::Discrete, Spread(10, 10), 0, 10},
      {"100-point", TShapeKind::Discrete, Spread(100, 100), 0, 10},
  };
}

std::vector<double> SpreadQueryPoints(int Count) {
  TSequence S(20261211);
  std::vector<double> Xs;
  for (int I = 0; I < Count; ++I) {
    const std::uint64_t Bits = (static_cast<std::uint64_t>(S.Next()) << 21) ^ S.Next();  // 53 bits
    Xs.push_back(kSpreadLow + (kSpreadHigh - kSpreadLow) * static_cast<double>(Bits & ((1ULL << 53) - 1)) /
                                  static_cast<double>(1ULL << 53));
  }
  return Xs;
}

double ExactMembership(const TShape& Shape, double X) { return static_cast<double>(Evaluate(Shape.Points, X)); }

double ExactCentroid(const std::vector<TPoint>& Points, double Minimum, double Maximum) {
  return MaxCentroid({Points}, Minimum, Maximum);
}

std::vector<std::array<double, 2>> StepInputs() {
  std::vector<std::array<double, 2>> Inputs;
  for (int K = 0; K < 64; ++K)
    Inputs.push_back({(1 + (37 * K) % 63) / 64.0, (1 + (11 * K + 5) % 63) / 64.0});
  return Inputs;
}

std::array<double, 9> StepStrengths(double A, double B) {
  std::array<double, 9> S{};
  for (int I = 0; I < 3; ++I)
    for (int J = 0; J < 3; ++J)
      S[I * 3 + J] = static_cast<double>(
          std::min(Triangle(kStepTriangles[I], A), Triangle(kStepTriangles[J], B)));
  return S;
}

double ExactStepCentroidLowered(double A, double B, double Threshold) {
  const std::array<double, 3> W = OutputStrengths(A, B, Threshold);
  std::vector<std::vector<TPoint>> Functions;
  for (int K = 0; K < 3; ++K) {
    const auto& T = kStepTriangles[K];
    if (W[K] > 0) Functions.push_back({{T[0], 0}, {T[1], W[K]}, {T[2], 0}});
  }
  return MaxCentroid(Functions, 0, 1);
}

double ExactStepCentroidClipped(double A, double B) {
  const std::array<double, 3> W = OutputStrengths(A, B, 0);
  std::vector<std::vector<TPoint>> Functions;
  for (int K = 0; K < 3; ++K) {
    const auto& T = kStepTriangles[K];
    if (W[K] > 0)
      Functions.push_back({{T[0], 0}, {T[0] + W[K] * (T[1] - T[0]), W[K]}, {T[2] - W[K] * (T[2] - T[1]), W[K]},
                           {T[2], 0}});
  }
  return MaxCentroid(Functions, 0, 1);
}

std::vector<TModelVariable> TermsOnlyModel(int Variables) {
  std::vector<TModelVariable> Model;
  for (int I = 0; I < Variables; ++I) {
    const double O = (I % 8) * 0.125;
    TModelVariable V{"v" + std::to_string(I), 0, 16, {}};
    V.Terms.push_back({"low", TShapeKind::Triangle, {{O, 0}, {2 + O, 1}, {4 + O, 0}}, 0, 16});
    V.Terms.push_back({"mid", TShapeKind::Trapezoid, {{3 + O, 0}, {5 + O, 1}, {7 + O, 1}, {9 + O, 0}}, 0, 16});
    V.Terms.push_back({"wave", TShapeKind::Discrete, Discrete(10, 8 + O, 0.5, 8, 1000 + I), 0, 16});
    V.Terms.push_back({"high", TShapeKind::Triangle, {{10 + O, 0}, {12 + O, 1}, {14 + O, 0}}, 0, 16});
    Model.push_back(V);
  }
  return Model;
}

std::vector<TModelVariable> UserModel() {
  const char* Names[3] = {"temperature", "humidity", "vent"};
  const double Maxima[3] = {40, 100, 1};
  std::vector<TModelVariable> Model;
  for (int I = 0; I < 3; ++I) {
    const double M = Maxima[I];
    TModelVariable V{Names[I], 0, M, {}};
    V.Terms.push_back({"low", TShapeKind::Triangle, {{0, 0}, {M / 4, 1}, {M / 2, 0}}, 0, M});
    V.Terms.push_back(
        {"medium", TShapeKind::Trapezoid, {{M / 4, 0}, {3 * M / 8, 1}, {5 * M / 8, 1}, {3 * M / 4, 0}}, 0, M});
    V.Terms.push_back({"high", TShapeKind::Triangle, {{M / 2, 0}, {3 * M / 4, 1}, {M, 0}}, 0, M});
    Model.push_back(V);
  }
  return Model;
}

std::vector<double> ModelProbe() {
  std::vector<double> Xs;
  for (int I = -64; I <= 17 * 64; ++I) Xs.push_back(I / 64.0);
  return Xs;
}

}  // namespace peer
