// Today's outputs, pinned, so that work on speed can show it changed nothing: over a large
// seeded run of inputs every result (points, degrees at many X, names, expressions, defuzzified
// values, events, printed text, error messages) is digested and compared with the golden files
// under tests/data/pinned/, one per section (see PinnedOutputs.h for how to read a failure and
// when to regenerate).
//
// The inputs come from a fixed generator of our own (the standard distributions differ between
// standard libraries). Point lists include vertical edges, runs of equal X, X within the
// tolerance of each other, X outside the variable's range and negative degrees.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "PinnedOutputs.h"
#include "tarnwick/model/FuzzyLogicComponent.h"
#include "tarnwick/model/FuzzySet.h"
#include "tarnwick/model/FuzzySetValues.h"
#include "tarnwick/model/FuzzyVariable.h"
#include "tarnwick/parser/KVFuzzyLogicParser.h"
#include "tarnwick/platform/Classes.h"
#include "tarnwick/platform/Strings.h"

namespace tarnwick {
namespace {

using test::TPinnedRecorder;

// SplitMix64: small, fast and the same everywhere.
class TRandom {
 public:
  explicit TRandom(std::uint64_t Seed) : FState(Seed) {}
  std::uint64_t Next() {
    std::uint64_t Z = (FState += 0x9E3779B97F4A7C15ULL);
    Z = (Z ^ (Z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    Z = (Z ^ (Z >> 27)) * 0x94D049BB133111EBULL;
    return Z ^ (Z >> 31);
  }
  double Unit() { return static_cast<double>(Next() >> 11) * 0x1p-53; }
  double Range(double Lo, double Hi) { return Lo + (Hi - Lo) * Unit(); }
  int Below(int N) { return static_cast<int>(Next() % static_cast<std::uint64_t>(N)); }
  bool Chance(double P) { return Unit() < P; }
  template <typename T, std::size_t N>
  T Pick(const T (&Items)[N]) {
    return Items[Below(static_cast<int>(N))];
  }

 private:
  std::uint64_t FState;
};

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Names: plain, with a blank (bracketed inside derived names), with brackets, empty.
const char* const kSetNames[] = {"a", "warm", "rather warm", "x_1", "[odd]", "", "b c d", "hot"};
const char* const kExpressions[] = {"", "", "warm", "very warm", "a and b", "[x or y]"};

// A logic component (optionally with its parser) whose events are written to a log. The log is
// declared first so that it outlives the events the component fires while it is destroyed.
struct TWorld {
  std::string Events;
  TFuzzyLogic Logic{nullptr};
  TKVFuzzyLogicParser Parser{nullptr};

  explicit TWorld(bool WithParser = false) {
    Logic.SetAutoTerms(false);
    if (WithParser) {
      Logic.SetParser(&Parser);
      Parser.SetFuzzyLogic(&Logic);
    }
    Logic.SetOnChange([this](TObject*) { Events += "C;"; });
    Logic.SetOnFuzzySetChange([this](TObject*, TFuzzySet* S) { Events += "sc:" + S->GetName() + ";"; });
    Logic.SetOnFuzzySetAdded([this](TObject*, TFuzzySet* S) { Events += "sa:" + S->GetName() + ";"; });
    Logic.SetOnFuzzySetDeleted([this](TObject*, TFuzzySet* S) { Events += "sd:" + S->GetName() + ";"; });
    Logic.SetOnVariableChange([this](TObject*, TFuzzyVariable* V) { Events += "vc:" + V->GetName() + ";"; });
    Logic.SetOnVariableAdded([this](TObject*, TFuzzyVariable* V) { Events += "va:" + V->GetName() + ";"; });
    Logic.SetOnVariableDeleted([this](TObject*, TFuzzyVariable* V) { Events += "vd:" + V->GetName() + ";"; });
  }
  ~TWorld() {
    Logic.SetOnChange(nullptr);
    Logic.SetOnFuzzySetChange(nullptr);
    Logic.SetOnFuzzySetAdded(nullptr);
    Logic.SetOnFuzzySetDeleted(nullptr);
    Logic.SetOnVariableChange(nullptr);
    Logic.SetOnVariableAdded(nullptr);
    Logic.SetOnVariableDeleted(nullptr);
  }
  TWorld(const TWorld&) = delete;
  TWorld& operator=(const TWorld&) = delete;

  std::string TakeEvents() { return std::exchange(Events, std::string()); }

  // A variable over a range that is sometimes wide, sometimes narrow, sometimes off zero.
  TFuzzyVariable* AddVariable(TRandom& R, const std::string& Name) {
    TFuzzyVariable* V = Logic.GetItems()->Add(Name);
    const double Lo = R.Pick({0.0, 0.0, -10.0, 0.25, -1.5});
    const double Hi = Lo + R.Pick({1.0, 10.0, 100.0, 7.5});
    V->SetMaximum(Hi);
    V->SetMinimum(Lo);
    return V;
  }
};

double RangeLo(const TFuzzySet& S) { return S.GetVariable() ? S.GetVariable()->GetMinimum() : 0.0; }
double RangeHi(const TFuzzySet& S) { return S.GetVariable() ? S.GetVariable()->GetMaximum() : 10.0; }

struct TPt {
  double X, Y;
};

// Up to MaxCount points over [Lo, Hi] and a little beyond: X on a coarse grid (so that X
// repeat), anywhere, equal to the previous X (a vertical edge, or a run when it repeats) or
// within a hair of it; Y anywhere in [0, 1], exactly 0 or 1, equal to the previous Y (a plateau)
// or outside [0, 1].
std::vector<TPt> RandomPoints(TRandom& R, double Lo, double Hi, int MaxCount = 10) {
  const double W = Hi - Lo;
  const int N = R.Below(MaxCount + 1);
  std::vector<TPt> P;
  for (int I = 0; I < N; ++I) {
    double X, Y;
    const int KX = R.Below(10);
    if (KX < 4 || P.empty()) X = Lo + W * R.Below(9) / 8;
    else if (KX < 7) X = R.Range(Lo - W / 10, Hi + W / 10);
    else if (KX < 9) X = P.back().X;
    else X = P.back().X + R.Range(-2e-4, 2e-4);
    const int KY = R.Below(10);
    if (KY < 6 || P.empty()) Y = R.Unit();
    else if (KY == 6) Y = 0;
    else if (KY == 7) Y = 1;
    else if (KY == 8) Y = P.back().Y;
    else Y = R.Range(-0.5, 1.5);
    P.push_back({X, Y});
  }
  if (R.Chance(0.5)) std::stable_sort(P.begin(), P.end(), [](const TPt& A, const TPt& B) { return A.X < B.X; });
  return P;
}

void FillBulk(TFuzzySet& S, const std::vector<TPt>& P) {
  TUpdateBlock<TCollection> Block(*S.GetValues());
  for (const TPt& Pt : P) S.GetValues()->Add(Pt.X, Pt.Y);
}

void FillEach(TFuzzySet& S, const std::vector<TPt>& P) {
  for (const TPt& Pt : P) S.GetValues()->Add(Pt.X, Pt.Y);
}

// A set of V (or of none) named from the list, with points from one of several sources.
TFuzzySet* RandomSet(TRandom& R, TFuzzyVariable* V, std::unique_ptr<TFuzzySet>& Owner) {
  TFuzzySet* S;
  if (V != nullptr) {
    S = V->GetItems()->Add();
  } else {
    Owner = std::make_unique<TFuzzySet>(nullptr);
    S = Owner.get();
  }
  S->SetName(R.Pick(kSetNames));
  const double Lo = V ? V->GetMinimum() : 0.0, Hi = V ? V->GetMaximum() : 10.0, W = Hi - Lo;
  // Every draw is a statement of its own: the order in which a call's arguments are evaluated
  // is the compiler's choice, and the inputs must not depend on it.
  const int Kind = R.Below(6);
  const double A1 = R.Range(Lo, Hi), A2 = R.Range(Lo, Hi), A3 = R.Range(Lo, Hi), A4 = R.Range(0.05, 0.5);
  switch (Kind) {
    case 0: S->CreateTriangleFunctionValues(A1, A2, A3); break;
    case 1: S->CreatePIFunctionValues(5 + 2 * R.Below(3), W * A4, A2); break;
    case 2: S->CreateCrispValue(A1); break;
    case 3: FillBulk(*S, RandomPoints(R, Lo, Hi)); break;
    default: FillEach(*S, RandomPoints(R, Lo, Hi)); break;
  }
  S->SetExpression(R.Pick(kExpressions));
  return S;
}

std::string ExceptionKind(const Exception& E) {
  if (const auto* P = dynamic_cast<const EFzyParseException*>(&E))
    return "EFzyParseException(line " + std::to_string(P->GetLineNumber()) + ")";
  if (dynamic_cast<const EFzyException*>(&E)) return "EFzyException";
  if (dynamic_cast<const EListError*>(&E)) return "EListError";
  if (dynamic_cast<const EConvertError*>(&E)) return "EConvertError";
  return "Exception";
}

// Runs Fn; an error is an output like any other.
template <typename F>
void Try(TPinnedRecorder& P, F&& Fn) {
  try {
    Fn();
  } catch (const Exception& E) {
    P.Str("raises").Str(ExceptionKind(E)).Str(E.what());
  }
}

void RecordPoints(TPinnedRecorder& P, const TFuzzySetValues& V) {
  P.Int(V.GetCount());
  for (std::int32_t I = 0; I < V.GetCount(); ++I) P.Num(V[I]->GetX()).Num(V[I]->GetY());
}

// Membership at every point's X, a hair either side of it, between neighbours, beyond both
// ends and at a few X anywhere in the range.
void RecordDegrees(TPinnedRecorder& P, TRandom& R, const TFuzzySet& S) {
  const TFuzzySetValues& V = *S.GetValues();
  std::vector<double> Xs;
  for (std::int32_t I = 0; I < V.GetCount(); ++I) {
    const double X = V[I]->GetX();
    Xs.insert(Xs.end(), {X, X - 1e-5, X + 1e-5, std::nextafter(X, -kInf), std::nextafter(X, kInf)});
    if (I > 0) Xs.push_back((X + V[I - 1]->GetX()) / 2);
  }
  const double Lo = RangeLo(S), Hi = RangeHi(S);
  Xs.insert(Xs.end(), {Lo - 1, Hi + 1, Lo, Hi});
  for (int I = 0; I < 6; ++I) Xs.push_back(R.Range(Lo, Hi));
  for (double X : Xs) P.Num(S.DegreeOfMembership(X));
}

void RecordSet(TPinnedRecorder& P, TRandom& R, const TFuzzySet& S) {
  P.Str(S.GetName()).Str(S.GetExpression()).Int(S.GetSetType()).Num(S.GetInflectionPoint());
  RecordPoints(P, *S.GetValues());
  RecordDegrees(P, R, S);
}

// ---------------------------------------------------------------------------------------------
// Points: bulk builds, one edit at a time, edits of existing points, deletions and insertions,
// expansion and appending; statistics, skips and the plain text form.

TEST(PinnedOutputs, Points) {
  TPinnedRecorder P(16);
  TRandom R(0x5EED0001);
  for (int K = 0; K < 800; ++K) {
    TWorld W;
    TFuzzyVariable* V = W.AddVariable(R, "v");
    const bool Free = R.Chance(0.2);
    std::unique_ptr<TFuzzySet> FreeSet;
    TFuzzySet* S = Free ? (FreeSet = std::make_unique<TFuzzySet>(nullptr)).get() : V->GetItems()->Add("s");
    const double Lo = RangeLo(*S), Hi = RangeHi(*S);
    const int Mode = K % 5;
    P.Record("points").Int(K).Int(Mode).Int(Free);
    Try(P, [&] {
      switch (Mode) {
        case 0: FillBulk(*S, RandomPoints(R, Lo, Hi)); break;
        case 1: FillEach(*S, RandomPoints(R, Lo, Hi)); break;
        case 2:
          FillEach(*S, RandomPoints(R, Lo, Hi));
          for (int E = 0; E < 5; ++E) {
            TFuzzySetValues& Values = *S->GetValues();
            if (Values.GetCount() == 0) {
              const double X = R.Range(Lo, Hi);
              Values.Add(X, R.Unit());
              continue;
            }
            const std::int32_t I = R.Below(Values.GetCount());
            const double X = R.Chance(0.3) ? Values[R.Below(Values.GetCount())]->GetX() : R.Range(Lo - 1, Hi + 1);
            const double Y = R.Chance(0.2) ? -0.25 : R.Unit();
            switch (R.Below(6)) {
              case 0: Values[I]->SetX(X); break;
              case 1: Values[I]->SetY(Y); break;
              case 2: Values[I]->SetValue(X, Y); break;
              case 3: Values.Delete(I); break;
              case 4: Values.Insert(I); break;
              default: Values.Add(); break;
            }
          }
          break;
        case 3:
          FillBulk(*S, RandomPoints(R, Lo, Hi));
          S->GetValues()->Expand(R.Below(25));
          break;
        default: {
          FillEach(*S, RandomPoints(R, Lo, Hi));
          TFuzzySet Source(nullptr);
          FillBulk(Source, RandomPoints(R, Lo, Hi));
          const std::int32_t Index = R.Below(12) - 1;
          S->GetValues()->Append(Source.GetValues(), Index, R.Below(12) - 1);
          break;
        }
      }
    });
    RecordSet(P, R, *S);
    const TFuzzySetValues& Values = *S->GetValues();
    Try(P, [&] { P.Num(Values.GetAvgValue()); });
    Try(P, [&] { P.Num(Values.GetMaxValue()); });
    Try(P, [&] { P.Num(Values.GetMinValue()); });
    Try(P, [&] {
      double Avg, Max, Min;
      Values.GetStatValues(Avg, Max, Min);
      P.Num(Avg).Num(Max).Num(Min);
    });
    for (std::int32_t I = 0; I < std::min(Values.GetCount(), 4); ++I)
      for (std::int32_t Dir : {-1, 0, 1})
        P.Int(Values.SkipX(I, Values[I]->GetX(), Dir)).Int(Values.SkipY(I, Values[I]->GetY(), Dir));
    P.Num(S->GetCompatibilityIndex()).Str(S->ToString()).Str(S->GetValuesToString()).Str(W.TakeEvents());
  }
  test::ExpectPinned("points", P);
}

// ---------------------------------------------------------------------------------------------
// Shapes: every generator with ordinary and degenerate arguments, on empty and on filled sets,
// and the regeneration of each set type.

TEST(PinnedOutputs, Shapes) {
  TPinnedRecorder P(13);
  TRandom R(0x5EED0002);
  const std::int32_t kNums[] = {-1, 0, 2, 3, 4, 5, 6, 7, 8, 10, 21};
  for (int K = 0; K < 660; ++K) {
    TWorld W;
    W.Logic.SetNumFunctionValues(R.Pick(kNums));
    TFuzzyVariable* V = W.AddVariable(R, "v");
    TFuzzySet* S = V->GetItems()->Add("shape");
    const double Lo = V->GetMinimum(), Hi = V->GetMaximum(), Wd = Hi - Lo;
    double Args[5];  // drawn before the call: argument order is the compiler's choice
    for (double& A : Args) A = R.Chance(0.15) ? R.Range(Lo - Wd / 2, Hi + Wd / 2) : R.Range(Lo, Hi);
    const double Half = Wd * R.Range(0, 0.6), Inflection = Wd * R.Range(0, 0.3), Weight = R.Range(0, 3);
    const bool Growth = R.Chance(0.5);
    if (R.Chance(0.2)) FillBulk(*S, RandomPoints(R, Lo, Hi, 4));
    const int Generator = K % 11;
    const std::int32_t Num = R.Pick(kNums);
    P.Record("shape").Int(K).Int(Generator).Int(Num).Num(Lo).Num(Hi);
    Try(P, [&] {
      switch (Generator) {
        case 0: S->CreateTriangleFunctionValues(Args[0], Args[1], Args[2]); break;
        case 1: S->CreateCurveValues(Num, Args[0], Args[1], Args[2], true); break;
        case 2: S->CreateCurveValues(Num, Args[0], Args[1], Args[2], false); break;
        case 3: S->CreatePIFunctionValues(Num, Args[0], Args[1], Args[2]); break;
        case 4: S->CreatePIFunctionValues(Num, Half, Args[0]); break;
        case 5: S->CreateBetaCurveFunctionValues(Num, Half, Args[0], Inflection, Weight); break;
        case 6: S->CreateBetaCurveFunctionValues(Num, Half, Args[0], Inflection + Wd / 100); break;
        case 7: S->CreateCrispValue(Args[0]); break;
        case 8: S->SetSetType(static_cast<TFuzzySetType>(R.Below(kFuzzySetTypeCount))); break;
        case 9:
          for (int T = 0; T < kFuzzySetTypeCount; ++T) S->SetSetType(static_cast<TFuzzySetType>(T));
          break;
        default:
          S->CreateTriangleFunctionValues(Args[0], Args[1], Args[2]);
          S->CreateCurveValues(Num, Args[3], Args[4], Args[2], Growth);
          break;
      }
    });
    RecordSet(P, R, *S);
    P.Str(S->ToString()).Str(W.TakeEvents());
  }
  test::ExpectPinned("shapes", P);
}

// ---------------------------------------------------------------------------------------------
// Hedges: each of the twenty on a copy of a random set, a chain of three, and the arithmetic
// hedges on both axes with ordinary and failing values.

TEST(PinnedOutputs, Hedges) {
  TPinnedRecorder P(86);
  TRandom R(0x5EED0003);
  const double kValues[] = {0, 0.5, 2, -1, 1.5, 1e308, kNaN, kInf, 0.25, 3};
  for (int K = 0; K < 110; ++K) {
    TWorld W;
    W.Logic.SetNumFunctionValues(R.Pick({3, 7, 11}));
    TFuzzyVariable* V = W.AddVariable(R, "v");
    std::unique_ptr<TFuzzySet> Owner;
    TFuzzySet* S = RandomSet(R, R.Chance(0.15) ? nullptr : V, Owner);
    W.TakeEvents();
    auto OnCopy = [&](const char* Label, int Which, const std::function<void(TFuzzySet&)>& Fn) {
      std::unique_ptr<TFuzzySet> C(S->Clone());
      P.Record(Label).Int(K).Int(Which);
      Try(P, [&] { Fn(*C); });
      RecordSet(P, R, *C);
      C.reset();
      P.Str(W.TakeEvents());
    };
    for (int H = 0; H < kFuzzyHedgeCount; ++H)
      OnCopy("hedge", H, [&](TFuzzySet& C) { C.Hedge(static_cast<TFuzzyHedge>(H)); });
    OnCopy("hedges", 0, [&](TFuzzySet& C) {
      for (int I = 0; I < 3; ++I) C.Hedge(static_cast<TFuzzyHedge>(R.Below(kFuzzyHedgeCount)));
    });
    for (int B = 0; B < kBaseFuzzyHedgeCount; ++B)
      for (bool ModifyY : {true, false}) {
        const double Value = R.Chance(0.5) ? R.Pick(kValues) : R.Range(-2, 4);
        OnCopy(ModifyY ? "base hedge Y" : "base hedge X", B, [&](TFuzzySet& C) {
          P.Num(Value);
          C.Hedge(static_cast<TBaseFuzzyHedge>(B), Value, ModifyY);
        });
      }
  }
  test::ExpectPinned("hedges", P);
}

// ---------------------------------------------------------------------------------------------
// Union and intersection under all seven operations and in their plain forms, the correlation
// strength, the threshold match and the overlap, on pairs that include empty, identical, flat
// and crisp sets.

TEST(PinnedOutputs, Operations) {
  TPinnedRecorder P(72);
  TRandom R(0x5EED0004);
  for (int K = 0; K < 150; ++K) {
    TWorld W;
    TFuzzyVariable* V = W.AddVariable(R, "v");
    V->SetThreshold(R.Pick({0.0, 0.01, 0.5, 1.0}));
    std::unique_ptr<TFuzzySet> OwnerA, OwnerB;
    const bool Free = R.Chance(0.1);
    TFuzzySet* A = RandomSet(R, Free ? nullptr : V, OwnerA);
    TFuzzySet* B;
    switch (R.Below(6)) {
      case 0:  // a copy: of A's collection, or the caller's when A has none
        B = A->Clone();
        if (Free) OwnerB.reset(B);
        break;
      case 1:
        B = Free ? (OwnerB = std::make_unique<TFuzzySet>(nullptr)).get() : V->GetItems()->Add();
        break;
      case 2:
        B = Free ? (OwnerB = std::make_unique<TFuzzySet>(nullptr)).get() : V->GetItems()->Add();
        FillEach(*B, {{RangeLo(*A) + 1, 0.5}, {RangeHi(*A) - 1, 0.5}});
        break;
      default: B = RandomSet(R, Free ? nullptr : V, OwnerB); break;
    }
    W.TakeEvents();
    auto Result = [&](const char* Label, int Op, const std::function<TFuzzySet*()>& Fn) {
      P.Record(Label).Int(K).Int(Op);
      Try(P, [&] {
        std::unique_ptr<TFuzzySet> Made(Fn());
        RecordSet(P, R, *Made);
      });
      P.Str(W.TakeEvents());
    };
    for (int Op = 0; Op < kFuzzyOperationCount; ++Op) {
      Result("intersection", Op, [&] { return A->Intersection(B, static_cast<TFuzzyOperation>(Op)); });
      Result("union", Op, [&] { return A->Union(B, static_cast<TFuzzyOperation>(Op)); });
      Result("union reversed", Op, [&] { return B->Union(A, static_cast<TFuzzyOperation>(Op)); });
    }
    Result("and", 0, [&] { return A->Intersection(B); });
    Result("or", 0, [&] { return A->Union(B); });
    P.Record("compare").Int(K).Num(A->GetCorrelationStrength(B)).Num(B->GetCorrelationStrength(A));
    P.Num(A->FuzzyEquals(B)).Int(A->Intersects(B)).Int(B->Intersects(A));
    Try(P, [&] { P.Int(A->Equals(B)); });
    P.Str(W.TakeEvents());
  }
  test::ExpectPinned("operations", P);
}

// ---------------------------------------------------------------------------------------------
// Cuts: strong and weak alpha cuts and both cut-offs at levels inside, at the edges of and
// outside [0, 1], at the set's own degrees and at NaN.

TEST(PinnedOutputs, Cuts) {
  TPinnedRecorder P(35);
  TRandom R(0x5EED0005);
  for (int K = 0; K < 440; ++K) {
    TWorld W;
    TFuzzyVariable* V = W.AddVariable(R, "v");
    std::unique_ptr<TFuzzySet> Owner;
    TFuzzySet* S = RandomSet(R, R.Chance(0.15) ? nullptr : V, Owner);
    W.TakeEvents();
    double Level;
    const TFuzzySetValues& Values = *S->GetValues();
    switch (R.Below(5)) {
      case 0: Level = R.Pick({0.0, 1.0, -0.5, 1.5, kNaN}); break;
      case 1: Level = Values.GetCount() ? Values[R.Below(Values.GetCount())]->GetY() : 0.5; break;
      default: Level = R.Unit(); break;
    }
    for (int Kind = 0; Kind < 4; ++Kind) {
      P.Record("cut").Int(K).Int(Kind).Num(Level);
      Try(P, [&] {
        std::unique_ptr<TFuzzySet> Made(Kind < 2 ? S->AlphaCutoff(Level, Kind == 0) : S->Cutoff(Level, Kind == 2));
        RecordSet(P, R, *Made);
      });
      P.Str(W.TakeEvents());
    }
  }
  test::ExpectPinned("cuts", P);
}

// ---------------------------------------------------------------------------------------------
// Inference: correlation, inference under every method, both defuzzifications and the
// undecidable test, normalization, and chains of rule assertions in all three forms under
// random methods and thresholds of the logic component.

TEST(PinnedOutputs, Inference) {
  TPinnedRecorder P(65);
  TRandom R(0x5EED0006);
  for (int K = 0; K < 160; ++K) {
    TWorld W;
    W.Logic.SetInferenceMethod(static_cast<TFuzzyInferenceMethod>(R.Below(kFuzzyInferenceMethodCount)));
    W.Logic.SetCorrelationMethod(static_cast<TFuzzyCorrelationMethod>(R.Below(kFuzzyCorrelationMethodCount)));
    W.Logic.SetDefuzzificationMethod(static_cast<TDefuzzificationMethod>(R.Below(kDefuzzificationMethodCount)));
    W.Logic.SetThreshold(R.Pick({0.0, 0.01, 0.3}));
    TFuzzyVariable* In = W.AddVariable(R, "in");
    TFuzzyVariable* Out = W.AddVariable(R, "out");
    std::unique_ptr<TFuzzySet> Owner[8];
    const bool Free = R.Chance(0.1);
    TFuzzySet* A = RandomSet(R, Free ? nullptr : Out, Owner[0]);
    TFuzzySet* B = RandomSet(R, Free ? nullptr : Out, Owner[1]);
    W.TakeEvents();

    P.Record("defuzzify").Int(K).Num(A->CenterOfGravity()).Num(A->MeanOfMaxima()).Num(A->Defuzzify());
    P.Int(A->IsUndecidable()).Num(A->GetCompatibilityIndex());
    const double Strength = R.Chance(0.2) ? R.Pick({0.0, 1.0, 1.5, -0.5}) : R.Unit();
    for (int Method = 0; Method < 3; ++Method) {
      std::unique_ptr<TFuzzySet> C(A->Clone());
      P.Record("correlate").Int(K).Int(Method).Num(Strength);
      Try(P, [&] {
        if (Method < 2) C->Correlate(Strength, static_cast<TFuzzyCorrelationMethod>(Method));
        else C->Correlate(Strength);
      });
      RecordSet(P, R, *C);
      P.Num(C->CenterOfGravity()).Num(C->MeanOfMaxima());
      C.reset();
      P.Str(W.TakeEvents());
    }
    for (int Method = 0; Method <= kFuzzyInferenceMethodCount; ++Method)
      for (bool Unconditional : {false, true}) {
        P.Record("infer").Int(K).Int(Method).Int(Unconditional);
        Try(P, [&] {
          std::unique_ptr<TFuzzySet> Made(Method < kFuzzyInferenceMethodCount
                                              ? A->Infer(B, static_cast<TFuzzyInferenceMethod>(Method), Unconditional)
                                              : A->Infer(B, Unconditional));
          RecordSet(P, R, *Made);
          P.Num(Made->CenterOfGravity()).Num(Made->MeanOfMaxima()).Num(Made->Defuzzify()).Int(Made->IsUndecidable());
        });
        P.Str(W.TakeEvents());
      }
    {
      std::unique_ptr<TFuzzySet> C(A->Clone());
      P.Record("normalize").Int(K);
      Try(P, [&] { C->Normalize(); });
      RecordSet(P, R, *C);
      C.reset();
      P.Str(W.TakeEvents());
    }
    if (Free) continue;

    // Rules: premises of "in" matched against evidence of "in", conclusions of "out".
    TFuzzySet* Premise[2] = {RandomSet(R, In, Owner[2]), RandomSet(R, In, Owner[3])};
    TFuzzySet* Evidence[2] = {RandomSet(R, In, Owner[4]), RandomSet(R, In, Owner[5])};
    TFuzzySet* Conclusion[2] = {A, B};
    W.TakeEvents();
    TFuzzySet* Result = nullptr;
    for (int Rule = 0; Rule < 4; ++Rule) {
      const int Form = R.Below(3);
      P.Record("assert").Int(K).Int(Rule).Int(Form);
      Try(P, [&] {
        TFuzzySet* Next;
        if (Form == 0) {
          Next = Out->AssertRule(Premise, Evidence, Conclusion[Rule % 2], Result);
        } else if (Form == 1) {
          const double S = R.Chance(0.2) ? Out->GetThreshold() : R.Unit();
          P.Num(S);
          Next = Out->AssertRule(S, Conclusion[Rule % 2], Result);
        } else {
          Next = Out->AssertRule(Premise[Rule % 2], Conclusion[Rule % 2], Evidence[Rule % 2], Result);
        }
        P.Int(Next != nullptr);
        if (Next != nullptr) {
          delete Result;
          Result = Next;
          RecordSet(P, R, *Result);
          P.Num(Result->Defuzzify());
        }
      });
      P.Str(W.TakeEvents());
    }
    delete Result;
  }
  test::ExpectPinned("inference", P);
}

// ---------------------------------------------------------------------------------------------
// Printed text: the definitions under tests/data parsed and printed (with and without automatic
// terms), every set in both printed forms, and random models built through the API, printed,
// parsed back and printed again.

std::vector<std::filesystem::path> DataFiles() {
  std::vector<std::filesystem::path> Files;
  for (const auto& Entry : std::filesystem::directory_iterator(TARNWICK_TEST_DATA_DIR))
    if (Entry.path().extension() == ".fzl") Files.push_back(Entry.path());
  std::sort(Files.begin(), Files.end());
  return Files;
}

std::string Printed(TWorld& W) {
  W.Logic.UpdateStrings();
  return W.Logic.GetStrings()->GetText();
}

void RecordModel(TPinnedRecorder& P, TRandom& R, TWorld& W) {
  const TFuzzyVariables& Vars = *W.Logic.GetItems();
  for (std::int32_t I = 0; I < Vars.GetCount(); ++I) {
    TFuzzyVariable* V = Vars[I];
    P.Str(V->GetName()).Str(V->GetComment()).Str(V->GetUnits()).Num(V->GetMinimum()).Num(V->GetMaximum());
    P.Str(W.Parser.PrettyPrint(V));
    for (std::int32_t J = 0; J < V->GetItems()->GetCount(); ++J) {
      const TFuzzySet* S = V->GetItems()->GetItem(J);
      RecordSet(P, R, *S);
      P.Int(S->GetDefined()).Str(S->GetComment()).Str(W.Parser.PrettyPrint(S, true));
      P.Str(W.Parser.PrettyPrint(S, false)).Str(S->ToString());
    }
  }
}

const char* const kComments[] = {"", "plain", "with \"quotes\"", "a backslash \\ here", "two\nlines", "; not a comment"};

TEST(PinnedOutputs, Printed) {
  TPinnedRecorder P(2);
  TRandom R(0x5EED0007);
  for (const std::filesystem::path& File : DataFiles())
    for (bool AutoTerms : {true, false}) {
      TWorld W(true);
      W.Logic.SetAutoTerms(AutoTerms);
      W.Logic.GetVariables()->SetText("x=very warm\ny=?x or cold");
      P.Record("file").Str(File.filename().string()).Int(AutoTerms);
      Try(P, [&] { W.Parser.Parse(test::ReadWholeFile(File), nullptr); });
      P.Str(W.TakeEvents());
      Try(P, [&] { P.Str(Printed(W)); });
      RecordModel(P, R, W);
    }

  for (int K = 0; K < 50; ++K) {
    TWorld W(true);
    W.Logic.SetNumFunctionValues(R.Pick({3, 5, 7}));
    const int Variables = 1 + R.Below(3);
    for (int I = 0; I < Variables; ++I) {
      TFuzzyVariable* V = W.AddVariable(R, "var" + std::to_string(I));
      V->SetComment(R.Pick(kComments));
      V->SetUnits(R.Pick({"", "km/h", "deg C", "a \"unit\""}));
      const int Sets = R.Below(5);
      for (int J = 0; J < Sets; ++J) {
        std::unique_ptr<TFuzzySet> Unused;
        TFuzzySet* S = RandomSet(R, V, Unused);
        S->SetName("t" + std::to_string(J) + (R.Chance(0.2) ? " x" : ""));
        S->SetComment(R.Pick(kComments));
        S->SetDefined(R.Chance(0.8));
      }
    }
    P.Record("model").Int(K).Str(W.TakeEvents());
    std::string Text;
    Try(P, [&] {
      Text = Printed(W);
      P.Str(Text);
    });
    RecordModel(P, R, W);

    TWorld Again(true);
    P.Record("reprinted").Int(K);
    Try(P, [&] {
      Again.Parser.Parse(Text, nullptr);
      P.Str(Printed(Again));
    });
    RecordModel(P, R, Again);
    P.Str(Again.TakeEvents());
  }
  test::ExpectPinned("printed", P);
}

// ---------------------------------------------------------------------------------------------
// Expressions: random infix expressions over the terms of one variable, with every hedge, hedge
// operator and keyword, numbers, point lists, function calls, groups and bindings, through the
// evaluator's crisp entry point; the result set, the crisp value and the events.

TEST(PinnedOutputs, Expressions) {
  TPinnedRecorder P(4);
  TRandom R(0x5EED0008);
  const char* const kDefinition =
      "(deffuzzy t (range 0 100) (values (term cold ((0 1) (40 0))) (term warm (tri 20 50 80))\n"
      "  (term hot ((60 0) (100 1))) (term odd\\ name ((10 0) (10 1) (30 1) (30 0)))))";
  const char* const kOperands[] = {"cold", "warm", "hot", "odd\\ name", "25", "0", "((10 0) (50 1) (90 0))",
                                   "(tri 30 40 50)", "(pi 20 60)", "(s 40 90)", "?x", "__Empty"};
  const char* const kOperators[] = {"+", "-", "*", "/", "^", "<", "<=", ">", ">=", "+X", "-X", "*X", "/X", "^X",
                                    "<X", "<=X", ">X", ">=X"};
  for (int K = 0; K < 220; ++K) {
    TWorld W(true);
    W.Logic.SetDefuzzificationMethod(static_cast<TDefuzzificationMethod>(R.Below(kDefuzzificationMethodCount)));
    W.Logic.GetVariables()->SetText("x=very warm\ny=?x or cold");
    W.Parser.Parse(kDefinition, nullptr);
    TFuzzyVariable* V = W.Logic.GetItems()->GetItem(0);
    const std::int32_t Terms = V->GetItems()->GetCount();
    W.TakeEvents();

    std::string E;
    int Open = 0;
    const int Operands = 1 + R.Below(4);
    for (int I = 0; I < Operands; ++I) {
      if (I > 0) {
        const bool Union = R.Chance(0.5);
        const auto& Keywords = Union ? FuzzyUnionKeywords : FuzzyIntersectionKeywords;
        E += " " + std::string(Keywords[R.Below(kFuzzyOperationCount)]) + " ";
      }
      if (R.Chance(0.2)) {
        E += "[ ";
        ++Open;
      }
      for (int H = R.Below(3); H > 0; --H) E += std::string(HedgeNames[R.Below(kFuzzyHedgeCount)]) + " ";
      E += R.Pick(kOperands);
      if (R.Chance(0.2)) {
        E += " " + std::string(R.Pick(kOperators));
        E += " " + std::string(R.Pick({"0.5", "2", "10", "0"}));
      }
      if (Open > 0 && R.Chance(0.5)) {
        E += " ]";
        --Open;
      }
    }
    for (; Open > 0; --Open) E += " ]";
    if (R.Chance(0.05)) E += " ]";  // a stray closing bracket

    P.Record("expression").Int(K).Str(E);
    Try(P, [&] {
      TFuzzySet* Result = nullptr;
      P.Num(W.Parser.EvalFuzzyExpression(V, E, Result));
      P.Int(Result != nullptr);
      if (Result != nullptr) RecordSet(P, R, *Result);
    });
    P.Str(W.TakeEvents()).Int(V->GetItems()->GetCount() - Terms);
  }
  test::ExpectPinned("expressions", P);
}

}  // namespace
}  // namespace tarnwick
