// The names of the model's enumerations as component streams store them, for the published
// properties of the sets, variables and logic components.
#ifndef TARNWICK_MODEL_FUZZYPUBLISHED_H_
#define TARNWICK_MODEL_FUZZYPUBLISHED_H_

#include <iterator>
#include <string_view>

#include "tarnwick/model/FuzzyConsts.h"
#include "tarnwick/platform/TypInfo.h"

namespace tarnwick {

inline constexpr std::string_view FuzzySetTypeIdents[] = {"fstUserDefined", "fstTriangle",  "fstDeclineCurve",
                                                          "fstPICurve",     "fstBetaCurve", "fstGrowthCurve"};
static_assert(std::size(FuzzySetTypeIdents) == kFuzzySetTypeCount, "one name per set type");
inline constexpr TEnumInfo FuzzySetTypeInfo{"TFuzzySetType", FuzzySetTypeIdents};

// ORDER CORRELATION
inline constexpr std::string_view FuzzyCorrelationMethodIdents[] = {"fcmMinimum", "fcmProduct"};
static_assert(std::size(FuzzyCorrelationMethodIdents) == kFuzzyCorrelationMethodCount, "one name per method");
inline constexpr TEnumInfo FuzzyCorrelationMethodInfo{"TFuzzyCorrelationMethod", FuzzyCorrelationMethodIdents};

// ORDER INFERENCE
inline constexpr std::string_view FuzzyInferenceMethodIdents[] = {"fimMinMax", "fimAdditive", "fimMean", "fimProduct",
                                                                  "fimBoundedSum"};
static_assert(std::size(FuzzyInferenceMethodIdents) == kFuzzyInferenceMethodCount, "one name per method");
inline constexpr TEnumInfo FuzzyInferenceMethodInfo{"TFuzzyInferenceMethod", FuzzyInferenceMethodIdents};

inline constexpr std::string_view DefuzzificationMethodIdents[] = {"dmCenterOfGravity", "dmMeanOfMaxima"};
static_assert(std::size(DefuzzificationMethodIdents) == kDefuzzificationMethodCount, "one name per method");
inline constexpr TEnumInfo DefuzzificationMethodInfo{"TDefuzzificationMethod", DefuzzificationMethodIdents};

}  // namespace tarnwick

#endif  // TARNWICK_MODEL_FUZZYPUBLISHED_H_
