// The library under a host that traps invalid operations and divisions by zero, as numerical and
// embedded hosts often run: on finite input, parsing, printing, every set operation, hedge, cut,
// inference and defuzzification of both model forms raise no floating-point exception.
#include <gtest/gtest.h>

#include <cfenv>
#include <cstddef>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "ParserTestSupport.h"
#include "tarnwick/model/FuzzyConsts.h"
#include "tarnwick/model/FuzzyLogicComponent.h"
#include "tarnwick/model/FuzzySet.h"
#include "tarnwick/model/FuzzyVariable.h"
#include "tarnwick/model/IFuzzyLogic.h"
#include "tarnwick/parser/KVFuzzyLogicParser.h"
#include "tarnwick/platform/Exceptions.h"

namespace tarnwick {
namespace {

using test::kBothForms;
using test::TFormModel;
using test::TModelForm;

// FE_INVALID and FE_DIVBYZERO trap (SIGFPE) for the guard's life, where the C library can turn
// traps on; the floating-point environment comes back as it was on every way out, also when an
// assertion fails.
class TFloatTraps {
 public:
  TFloatTraps() {
    std::fegetenv(&FSaved);
    std::feclearexcept(FE_ALL_EXCEPT);  // a flag already raised would trap at the next x87 operation
#ifdef __GLIBC__
    FArmed = feenableexcept(FE_INVALID | FE_DIVBYZERO) != -1;
#endif
  }
  ~TFloatTraps() { std::fesetenv(&FSaved); }
  TFloatTraps(const TFloatTraps&) = delete;
  TFloatTraps& operator=(const TFloatTraps&) = delete;

  bool Armed() const { return FArmed; }

 private:
  std::fenv_t FSaved;
  bool FArmed = false;
};

std::string DataFile(const char* Name) {
  std::ifstream In(std::string(TARNWICK_TEST_DATA_DIR) + "/" + Name, std::ios::binary);
  std::ostringstream Text;
  Text << In.rdbuf();
  return Text.str();
}

const char kSpeed[] =
    "(deffuzzy speed (range 0 120) (units km/h)\n"
    "  (values (term slow (z 20 50)) (term medium (pi 30 60)) (term fast (s 60 100))))\n";

// Shapes without width, beta curves with a pole on a point and with an inflection point far
// beyond the range, and a variable without width.
const char kNarrow[] =
    "(deffuzzy narrow (range 0 10)\n"
    "  (values (term step-up (s 5 5)) (term step-down (z 5 5)) (term pi-point (pi 0 5))\n"
    "          (term pi-edge (pi 5 5 5)) (term beta-point (beta 0 5 2)) (term beta-sharp (beta 4 5 0))\n"
    "          (term beta-flat (beta 4 5 2 0)) (term beta-pole (beta 3 5 2 -4)) (term spike (tri 5 5 5))\n"
    "          (term beta-wide (beta 4 5 1e300)) (term one ((5 1)))))\n"
    "(deffuzzy pinned (range 5 5) (values (term at ((5 1))) (term up (s 5 5)) (term peak (tri 4 5 6))))\n";

// Degrees read from a set the way a host reads them: at and between the range's ends.
template <typename TSet>
void ReadDegrees(const TSet& Set, TFzyFloat Lo, TFzyFloat Hi) {
  for (int I = -1; I <= 11; ++I) static_cast<void>(Set->DegreeOfMembership(Lo + (Hi - Lo) * I / 10));
  static_cast<void>(Set->CenterOfGravity());
  static_cast<void>(Set->MeanOfMaxima());
  static_cast<void>(Set->Defuzzify());
  static_cast<void>(Set->IsUndecidable());
}

// The two forms' sets as the sweep below holds them: a term as its form hands it out, a result
// as its owner (a result of the collection form is an item of its variable, freed here at once).
TFuzzySet* Raw(TFuzzySet* Set) { return Set; }
IFuzzySet* Raw(const Intf<IFuzzySet>& Set) { return Set.get(); }
std::unique_ptr<TFuzzySet> Hold(TFuzzySet* Set) { return std::unique_ptr<TFuzzySet>(Set); }
Intf<IFuzzySet> Hold(Intf<IFuzzySet> Set) { return Set; }
std::unique_ptr<TFuzzySet> CopyOf(TFuzzyVariable*, TFuzzySet* Set) { return Hold(Set->Clone()); }
Intf<IFuzzySet> CopyOf(IFuzzyVariable* Variable, const Intf<IFuzzySet>& Set) { return Set->Clone(Variable); }

// Runs Step; a library error (an intersection under foSum, the height of an empty set) is an
// answer like any other here.
template <typename TStep>
void Try(TStep&& Step) {
  try {
    Step();
  } catch (const Exception&) {
  }
}

// Every operation of a set on its own and with other terms of its variable.
template <typename TVariable, typename TSet>
void RunOperations(TKVFuzzyLogicParser& Parser, TCustomFuzzyLogic& Logic, TVariable* V, const std::vector<TSet>& Terms) {
  const TFzyFloat Lo = V->GetMinimum();
  const TFzyFloat Hi = V->GetMaximum();
  const TFzyFloat kLevels[] = {0, 0.25, 0.5, 1};
  for (const TSet& A : Terms) {
    ReadDegrees(A, Lo, Hi);
    static_cast<void>(A->ToString());
    static_cast<void>(A->GetValuesToString());
    static_cast<void>(Parser.PrettyPrint(Raw(A), true));
    static_cast<void>(Parser.PrettyPrint(Raw(A), false));
    for (int H = 0; H < kFuzzyHedgeCount; ++H)
      Try([&] { ReadDegrees(CopyOf(V, A)->Hedge(static_cast<TFuzzyHedge>(H)), Lo, Hi); });
    for (int H = 0; H < kBaseFuzzyHedgeCount; ++H)
      for (const TFzyFloat Value : {0.0, 0.5, 2.0})
        for (const bool ModifyY : {true, false})
          Try([&] { ReadDegrees(CopyOf(V, A)->Hedge(static_cast<TBaseFuzzyHedge>(H), Value, ModifyY), Lo, Hi); });
    Try([&] { ReadDegrees(CopyOf(V, A)->Normalize(), Lo, Hi); });
    for (const TFzyFloat Level : kLevels) {
      for (const bool Flag : {false, true}) {
        Try([&] { ReadDegrees(Hold(A->AlphaCutoff(Level, Flag)), Lo, Hi); });
        Try([&] { ReadDegrees(Hold(A->Cutoff(Level, Flag)), Lo, Hi); });
      }
      ReadDegrees(CopyOf(V, A)->Correlate(Level, fcmMinimum), Lo, Hi);
      ReadDegrees(CopyOf(V, A)->Correlate(Level, fcmProduct), Lo, Hi);
    }
    // Partners spread over the variable's terms, at most about eight of them.
    for (std::size_t J = 0; J < Terms.size(); J += 1 + Terms.size() / 8) {
      const TSet& B = Terms[J];
      static_cast<void>(A->GetCorrelationStrength(Raw(B)));
      static_cast<void>(A->FuzzyEquals(Raw(B)));
      static_cast<void>(A->Intersects(Raw(B)));
      for (int Op = 0; Op < kFuzzyOperationCount; ++Op) {
        Try([&] { ReadDegrees(Hold(A->Intersection(Raw(B), static_cast<TFuzzyOperation>(Op))), Lo, Hi); });
        ReadDegrees(Hold(A->Union(Raw(B), static_cast<TFuzzyOperation>(Op))), Lo, Hi);
      }
      for (int Method = 0; Method < kFuzzyInferenceMethodCount; ++Method) {
        Logic.SetInferenceMethod(static_cast<TFuzzyInferenceMethod>(Method));
        for (const bool Unconditional : {false, true})
          Try([&] {
            ReadDegrees(Hold(A->Infer(Raw(B), static_cast<TFuzzyInferenceMethod>(Method), Unconditional)), Lo, Hi);
          });
        if (auto Asserted = Hold(V->AssertRule(Raw(A), Raw(B), Raw(A), Raw(B)))) ReadDegrees(Asserted, Lo, Hi);
      }
    }
  }
}

std::vector<TFuzzySet*> TermsOf(TFuzzyVariable* V) {
  std::vector<TFuzzySet*> Terms;
  for (std::int32_t I = 0; I < V->GetItems()->GetCount(); ++I) Terms.push_back((*V->GetItems())[I]);
  return Terms;
}

std::vector<Intf<IFuzzySet>> TermsOf(IFuzzyVariable* V) {
  std::vector<Intf<IFuzzySet>> Terms;
  for (Integer I = 0; I < V->GetCount(); ++I) Terms.push_back(V->GetFuzzySet(I));
  return Terms;
}

// Every operation over every variable of the model.
void RunModel(TFormModel& Model) {
  if (Model.GetForm() == test::mfCollection) {
    TFuzzyVariables& Variables = *Model.Collection().GetItems();
    for (std::int32_t I = 0; I < Variables.GetCount(); ++I)
      RunOperations(Model.Parser, Model.Logic(), Variables[I], TermsOf(Variables[I]));
  } else {
    TFuzzyVariableTable& Variables = *Model.Interface().GetItems();
    for (Integer I = 0; I < Variables.GetCount(); ++I) {
      Intf<IFuzzyVariable> V = Variables.GetItemByIndex(I);
      RunOperations(Model.Parser, Model.Logic(), V.get(), TermsOf(V.get()));
    }
  }
}

TEST(FloatTraps, VeryFastOrSlowOfThreeTerms) {
  for (const TModelForm Form : kBothForms) {
    const TFloatTraps Traps;
    if (!Traps.Armed()) GTEST_SKIP() << "the C library cannot trap floating-point exceptions here";
    TFormModel Model(Form);
    Model.Assign(kSpeed);
    TFzyFloat Crisp = -1;
    if (Form == test::mfCollection) {
      TFuzzyVariable* Speed = Model.Collection().GetItems()->GetItemByName("speed");
      Crisp = Model.Parser.EvalFuzzyExpression(Speed, "very fast or slow")->Defuzzify();
    } else {
      Intf<IFuzzyVariable> Speed = Model.Interface().GetItems()->Get("speed");
      Crisp = Model.Parser.EvalFuzzyExpression(Speed.get(), "very fast or slow")->Defuzzify();
    }
    EXPECT_GT(Crisp, 0) << test::FormName(Form);
    EXPECT_LT(Crisp, 120) << test::FormName(Form);
  }
}

TEST(FloatTraps, EveryOperationOfARepresentativeModel) {
  const std::string Text = std::string(kSpeed) + kNarrow + DataFile("shapes.fzl") + DataFile("expressions.fzl");
  for (const TModelForm Form : kBothForms) {
    SCOPED_TRACE(test::FormName(Form));
    const TFloatTraps Traps;
    if (!Traps.Armed()) GTEST_SKIP() << "the C library cannot trap floating-point exceptions here";
    TFormModel Model(Form);
    Model.Logic().GetVariables()->SetText("x=very warm\ny=?x or cold");
    Model.Assign(Text);
    const std::string Printed = Model.Print();
    TFormModel Again(Form);
    Again.Logic().GetVariables()->SetText("x=very warm\ny=?x or cold");
    Again.Assign(Printed);
    EXPECT_EQ(Again.Print(), Printed);
    RunModel(Model);
  }
}

}  // namespace
}  // namespace tarnwick
