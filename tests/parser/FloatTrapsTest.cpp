// The library under a host that traps invalid operations and divisions by zero, as numerical and
// embedded hosts often run.
#include <gtest/gtest.h>

#include <cfenv>
#include <string>

#include "ParserTestSupport.h"
#include "tarnwick/model/FuzzyLogicComponent.h"
#include "tarnwick/model/FuzzyVariable.h"
#include "tarnwick/model/IFuzzyLogic.h"
#include "tarnwick/parser/KVFuzzyLogicParser.h"

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

const char kSpeed[] =
    "(deffuzzy speed (range 0 120) (units km/h)\n"
    "  (values (term slow (z 20 50)) (term medium (pi 30 60)) (term fast (s 60 100))))\n";

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

}  // namespace
}  // namespace tarnwick
