// The link from a set to its variable, for the model's own paths that follow it on every point
// edit. Internal to the model.
#ifndef TARNWICK_MODEL_DETAIL_SETLINKS_H_
#define TARNWICK_MODEL_DETAIL_SETLINKS_H_

#include "tarnwick/model/FuzzyVariable.h"
#include "tarnwick/platform/Classes.h"

namespace tarnwick::detail {

// The variable of the set collection Collection, or nullptr when Collection is none or of
// another class: the usual class is told without a search of the class hierarchy.
inline TFuzzyVariable* VariableOf(const TCollection* Collection) noexcept {
  const auto* Sets = ExactClassCast<const TFuzzySets>(Collection);
  return Sets ? Sets->GetVariable() : nullptr;
}

}  // namespace tarnwick::detail

#endif  // TARNWICK_MODEL_DETAIL_SETLINKS_H_
