// How a definition reader adds the variable of a definition to a TFuzzyLogic. Internal to the
// library.
#ifndef TARNWICK_MODEL_DETAIL_DEFINITIONVARIABLES_H_
#define TARNWICK_MODEL_DETAIL_DEFINITIONVARIABLES_H_

#include "tarnwick/model/FuzzyLogicComponent.h"
#include "tarnwick/model/FuzzyVariable.h"

namespace tarnwick::detail {

struct TDefinitionVariables {
  // Logic.GetItems()->Add(), for a reader that, when AutoTerms is on once it returns, takes the
  // variable out of Items and clears its sets before anything else runs, and puts it back when
  // the definition is read. The automatic terms which that clearing frees are then made only
  // when something could see them: a handler of OnFuzzySetAdded, OnFuzzySetChange or
  // OnVariableDeleted, a class other than the library's own for the logic, its variables, their
  // sets or their collections, a variable that has sets by the time the terms would be made
  // (OnVariableAdded may add some), an automatic term's name that SetName refuses, or no
  // update block open on Items (which would let OnVariableChange and OnChange through).
  // Otherwise the variable gets none, and what their making and freeing leave behind is done
  // without them: the set collection gives out the IDs they took, and the definition text is
  // marked out of date.
  static TFuzzyVariable* Add(TFuzzyLogic& Logic);
};

}  // namespace tarnwick::detail

#endif  // TARNWICK_MODEL_DETAIL_DEFINITIONVARIABLES_H_
