// The collection-based fuzzy model: points, sets and their operations, variables, the logic
// components and the parser component base.
#ifndef TARNWICK_MODEL_FUZZYLOGIC_H_
#define TARNWICK_MODEL_FUZZYLOGIC_H_

#include "tarnwick/model/FuzzyConsts.h"
#include "tarnwick/model/FuzzyInterfaces.h"
#include "tarnwick/model/FuzzyLogicComponent.h"
#include "tarnwick/model/FuzzyParserBase.h"
#include "tarnwick/model/FuzzyPublished.h"
#include "tarnwick/model/FuzzySet.h"
#include "tarnwick/model/FuzzySetValues.h"
#include "tarnwick/model/FuzzyVariable.h"

#endif  // TARNWICK_MODEL_FUZZYLOGIC_H_
