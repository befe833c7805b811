// The interface-based fuzzy model: counted sets and variables that hosts build and combine
// through IFuzzySet and IFuzzyVariable, with the interfaces and the language tokens they share
// with the parser, and the logic component that keeps them.
#ifndef TARNWICK_MODEL_IFUZZYLOGIC_H_
#define TARNWICK_MODEL_IFUZZYLOGIC_H_

#include "tarnwick/model/FuzzyConsts.h"
#include "tarnwick/model/FuzzyInterfaces.h"
#include "tarnwick/model/IFuzzyLogicComponent.h"
#include "tarnwick/model/IFuzzySet.h"
#include "tarnwick/model/IFuzzyVariable.h"

#endif  // TARNWICK_MODEL_IFUZZYLOGIC_H_
