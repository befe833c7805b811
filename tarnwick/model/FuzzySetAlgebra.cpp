// Placeholder definitions; the set algebra replaces them.
#include "tarnwick/model/FuzzySet.h"

namespace tarnwick {
namespace {
[[noreturn]] void NotYet() { throw EAbstractError(LoadResString(SAbstractError)); }
}  // namespace

TFuzzySet* TFuzzySet::Operator(const TFuzzySet*, const std::string&, const TFuzzyOperator&) const { NotYet(); }
bool TFuzzySet::Iterate(const TFuzzySet*, const TFuzzyComparison&) const { NotYet(); }
TFuzzySet* TFuzzySet::Intersection(const TFuzzySet*) const { NotYet(); }
TFuzzySet* TFuzzySet::Union(const TFuzzySet*) const { NotYet(); }
TFuzzySet* TFuzzySet::Intersection(const TFuzzySet*, TFuzzyOperation) const { NotYet(); }
TFuzzySet* TFuzzySet::Union(const TFuzzySet*, TFuzzyOperation) const { NotYet(); }
bool TFuzzySet::Equals(const TFuzzySet*) const { NotYet(); }
TFzyFloat TFuzzySet::FuzzyEquals(const TFuzzySet*) const { NotYet(); }
TFzyFloat TFuzzySet::GetCorrelationStrength(const TFuzzySet*) const { NotYet(); }

}  // namespace tarnwick
