// Both model forms give the same numbers: every operation of a table runs on the same points
// once on collection sets of a TFuzzyVariable and once on interface sets of a TIFuzzyVariable
// over the same range, and the results (points, degrees, crisp values, flags, or the error)
// must agree exactly.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "IModelTestSupport.h"
#include "ModelTestSupport.h"
#include "tarnwick/model/FuzzyConsts.h"
#include "tarnwick/model/FuzzyVariable.h"
#include "tarnwick/model/IFuzzyLogic.h"

namespace tarnwick {
namespace {

using test::Fill;
using test::Pt;
using TPoints = std::vector<Pt>;
using TNumbers = std::vector<double>;

// A variable of each form over [0, 10] with threshold 0.01, and sets of each made alike.
struct TForms {
  TForms() {
    CV.SetMaximum(10);
    CV.SetThreshold(0.01);
    IV->SetMaximum(10);
    IV->SetThreshold(0.01);
  }
  TFuzzySet* C(const TPoints& Points, const std::string& Name) {
    TFuzzySet* Set = CV.GetItems()->Add(Name);
    Fill(*Set, Points);
    return Set;
  }
  Intf<IFuzzySet> I(const TPoints& Points, const std::string& Name) {
    return test::MakeISet(IV.get(), Name, Points);
  }

  TFuzzyVariable CV{nullptr};
  Intf<IFuzzyVariable> IV{new TIFuzzyVariable("v")};
};

TNumbers Flat(const TPoints& Points) {
  TNumbers Result;
  for (const Pt& P : Points) {
    Result.push_back(P.X);
    Result.push_back(P.Y);
  }
  return Result;
}
TNumbers Numbers(const TFuzzySet* Set) { return Set ? Flat(test::PointsOf(*Set)) : TNumbers{-1}; }
TNumbers Numbers(const IFuzzySet* Set) { return Set ? Flat(test::PointsOf(Set)) : TNumbers{-1}; }
TNumbers Numbers(const Intf<IFuzzySet>& Set) { return Numbers(Set.get()); }

// One operation, written once for both forms: Op gets A and B made from the pair's points and
// an empty set E, all of one form, and returns what it computed.
struct FormsCase {
  std::string Name;
  std::function<TNumbers(TForms&, const TPoints&, const TPoints&)> Collection;
  std::function<TNumbers(TForms&, const TPoints&, const TPoints&)> Interface;
};

template <typename TOp>
FormsCase Both(std::string Name, TOp Op) {
  return {std::move(Name),
          [Op](TForms& F, const TPoints& A, const TPoints& B) {
            return Op(F.C(A, "a"), F.C(B, "b"), F.C({}, "e"));
          },
          [Op](TForms& F, const TPoints& A, const TPoints& B) {
            const Intf<IFuzzySet> IA = F.I(A, "a");
            const Intf<IFuzzySet> IB = F.I(B, "b");
            const Intf<IFuzzySet> IE = F.I({}, "e");
            return Op(IA.get(), IB.get(), IE.get());
          }};
}

std::vector<FormsCase> Cases() {
  std::vector<FormsCase> Result;
  Result.push_back(Both("membership", [](auto* A, auto*, auto*) {
    TNumbers Degrees;
    for (const TFzyFloat X : {-1.0, 0.0, 1.3, 2.0, 2.5, 4.0, 5.0, 6.0, 7.77, 9.99, 10.0, 11.0})
      Degrees.push_back(A->DegreeOfMembership(X));
    return Degrees;
  }));

  // Shapes, made on an empty set.
  Result.push_back(Both("triangle", [](auto*, auto*, auto* E) {
    E->CreateTriangleFunctionValues(1, 4, 8);
    return Numbers(E);
  }));
  for (const bool Growth : {true, false})
    Result.push_back(Both(Growth ? "s curve" : "z curve", [Growth](auto*, auto*, auto* E) {
      E->CreateCurveValues(9, 1, 9, 5, Growth);
      return Numbers(E);
    }));
  Result.push_back(Both("pi left right center", [](auto*, auto*, auto* E) {
    E->CreatePIFunctionValues(8, 1, 9, 4);
    return Numbers(E);
  }));
  Result.push_back(Both("pi range center", [](auto*, auto*, auto* E) {
    E->CreatePIFunctionValues(7, 2, 5);
    return Numbers(E);
  }));
  Result.push_back(Both("beta", [](auto*, auto*, auto* E) {
    E->CreateBetaCurveFunctionValues(7, 3, 5, 1.5);
    return Numbers(E);
  }));
  Result.push_back(Both("beta with weight", [](auto*, auto*, auto* E) {
    E->CreateBetaCurveFunctionValues(9, 3, 5, 1.5, 0.25);
    return Numbers(E);
  }));
  Result.push_back(Both("crisp", [](auto*, auto*, auto* E) {
    E->CreateCrispValue(3.25);
    return Numbers(E);
  }));
  for (const TFuzzySetType Type : {fstTriangle, fstDeclineCurve, fstPICurve, fstBetaCurve, fstGrowthCurve})
    Result.push_back(Both("set type " + std::to_string(Type), [Type](auto*, auto*, auto* E) {
      E->SetSetType(Type);
      return Numbers(E);
    }));

  // Hedges, in place.
  for (int H = 0; H < kFuzzyHedgeCount; ++H)
    Result.push_back(Both("hedge " + std::string(HedgeNames[H]), [H](auto* A, auto*, auto*) {
      return Numbers(A->Hedge(static_cast<TFuzzyHedge>(H)));
    }));
  for (int H = 0; H < kBaseFuzzyHedgeCount; ++H)
    for (const bool ModifyY : {true, false})
      Result.push_back(Both("operator " + std::string(BaseHedgeNames[H]) + (ModifyY ? "" : "X"),
                            [H, ModifyY](auto* A, auto*, auto*) {
                              return Numbers(A->Hedge(static_cast<TBaseFuzzyHedge>(H), ModifyY ? 0.6 : 1.5, ModifyY));
                            }));
  Result.push_back(Both("normalize", [](auto* A, auto*, auto*) { return Numbers(A->Normalize()); }));

  // Union and intersection under every operation.
  for (int Op = 0; Op < kFuzzyOperationCount; ++Op) {
    const auto Operation = static_cast<TFuzzyOperation>(Op);
    Result.push_back(Both("union " + std::string(FuzzyUnionKeywords[Op]), [Operation](auto* A, auto* B, auto*) {
      return Numbers(A->Union(B, Operation));
    }));
    Result.push_back(Both("intersection " + std::string(FuzzyIntersectionKeywords[Op]),
                          [Operation](auto* A, auto* B, auto*) { return Numbers(A->Intersection(B, Operation)); }));
  }
  Result.push_back(Both("union", [](auto* A, auto* B, auto*) { return Numbers(A->Union(B)); }));
  Result.push_back(Both("intersection", [](auto* A, auto* B, auto*) { return Numbers(B->Intersection(A)); }));

  // Cuts.
  for (const TFzyFloat Level : {0.0, 0.3, 0.7, 1.0, 1.5})
    for (const bool Flag : {true, false}) {
      Result.push_back(Both("alpha cut " + std::to_string(Level) + (Flag ? " strong" : " weak"),
                            [Level, Flag](auto* A, auto*, auto*) { return Numbers(A->AlphaCutoff(Level, Flag)); }));
      Result.push_back(Both("cutoff " + std::to_string(Level) + (Flag ? " below" : " above"),
                            [Level, Flag](auto* A, auto*, auto*) { return Numbers(A->Cutoff(Level, Flag)); }));
    }

  // Comparison, correlation, inference, defuzzification.
  Result.push_back(Both("equals, intersects, correlation strength", [](auto* A, auto* B, auto*) {
    return TNumbers{static_cast<double>(A->Equals(B)), static_cast<double>(B->Equals(A)),
                    static_cast<double>(A->Intersects(B)), A->GetCorrelationStrength(B), B->GetCorrelationStrength(A)};
  }));
  for (const TFuzzyCorrelationMethod Method : {fcmMinimum, fcmProduct})
    Result.push_back(Both("correlate " + std::to_string(Method), [Method](auto* A, auto* B, auto*) {
      return Numbers(A->Correlate(A->GetCorrelationStrength(B) * 0.9 + 0.05, Method));
    }));
  for (int M = 0; M < kFuzzyInferenceMethodCount; ++M)
    for (const bool Unconditional : {true, false})
      Result.push_back(Both("infer " + std::string(FuzzyInferenceNames[M]) + (Unconditional ? " and" : " or"),
                            [M, Unconditional](auto* A, auto* B, auto*) {
                              return Numbers(A->Infer(B, static_cast<TFuzzyInferenceMethod>(M), Unconditional));
                            }));
  Result.push_back(Both("defuzzification", [](auto* A, auto* B, auto*) {
    return TNumbers{A->CenterOfGravity(), A->MeanOfMaxima(),          A->Defuzzify(),
                    B->CenterOfGravity(), B->MeanOfMaxima(),          static_cast<double>(A->IsUndecidable()),
                    A->GetCompatibilityIndex(), static_cast<double>(B->IsUndecidable())};
  }));
  Result.push_back(Both("defuzzification of a union", [](auto* A, auto* B, auto*) {
    const auto U = A->Union(B);
    return TNumbers{U->CenterOfGravity(), U->MeanOfMaxima()};
  }));

  // Rule assertion on each form's variable.
  for (const TFzyFloat Strength : {0.005, 0.35, 0.8})
    Result.push_back({"assert rule " + std::to_string(Strength),
                      [Strength](TForms& F, const TPoints& A, const TPoints& B) {
                        return Numbers(F.CV.AssertRule(Strength, F.C(A, "a"), F.C(B, "b")));
                      },
                      [Strength](TForms& F, const TPoints& A, const TPoints& B) {
                        const Intf<IFuzzySet> IA = F.I(A, "a");
                        const Intf<IFuzzySet> IB = F.I(B, "b");
                        return Numbers(F.IV->AssertRule(Strength, IA.get(), IB.get()));
                      }});
  return Result;
}

// Pairs of operands: crossing shapes, vertical edges, a flat operand, ten-point sets, an
// empty second operand.
const std::vector<std::pair<TPoints, TPoints>> kPairs = {
    {{{1, 0}, {4, 1}, {8, 0}}, {{3, 0}, {5, 0.7}, {7, 0.7}, {9, 0}}},
    {{{2, 0}, {2, 1}, {6, 1}, {6, 0}}, {{0, 0}, {4, 0.2}, {5, 0.8}, {10, 1}}},
    {{{0, 0.4}, {10, 0.4}}, {{0, 0}, {5, 1}, {10, 0}}},
    {{{0, 0}, {1, 0.3}, {2, 0.9}, {3, 0.5}, {4, 0.55}, {5, 1}, {6, 0.2}, {7, 0.25}, {8, 0.8}, {9, 0}},
     {{0.5, 1}, {1.5, 0.1}, {2.5, 0.6}, {3.5, 0.6}, {4.5, 0}, {5.5, 0.9}, {6.5, 0.4}, {7.5, 0.45}, {8.5, 0}, {9.5, 1}}},
    {{{1, 0}, {3, 1}, {3, 0.5}, {9, 0}}, {}},
};

// The numbers an operation gives, or the message it raised.
std::pair<TNumbers, std::string> RunForm(const std::function<TNumbers(TForms&, const TPoints&, const TPoints&)>& Fn,
                                     const TPoints& A, const TPoints& B) {
  TForms Forms;
  try {
    return {Fn(Forms, A, B), ""};
  } catch (const std::exception& E) {
    return {{}, E.what()};
  }
}

TEST(IFuzzyForms, EveryOperationGivesTheSameNumbersInBothForms) {
  for (std::size_t P = 0; P < kPairs.size(); ++P) {
    for (const FormsCase& C : Cases()) {
      SCOPED_TRACE(C.Name + ", pair " + std::to_string(P));
      const auto Collection = RunForm(C.Collection, kPairs[P].first, kPairs[P].second);
      const auto Interface = RunForm(C.Interface, kPairs[P].first, kPairs[P].second);
      EXPECT_EQ(Interface.first, Collection.first);
      EXPECT_EQ(Interface.second, Collection.second);
    }
  }
}

}  // namespace
}  // namespace tarnwick
