// Placeholder definitions; the hedges replace them.
#include "tarnwick/model/FuzzySet.h"

namespace tarnwick {
namespace {
[[noreturn]] void NotYet() { throw EAbstractError(LoadResString(SAbstractError)); }
}  // namespace

TFuzzySet* TFuzzySet::Hedge(TFuzzyHedge) { NotYet(); }

}  // namespace tarnwick
