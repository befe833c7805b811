// The collection-based fuzzy model: points, sets and their operations.
#ifndef TARNWICK_MODEL_FUZZYLOGIC_H_
#define TARNWICK_MODEL_FUZZYLOGIC_H_

#include "tarnwick/model/FuzzyConsts.h"
#include "tarnwick/model/FuzzySet.h"
#include "tarnwick/model/FuzzySetValues.h"

#endif  // TARNWICK_MODEL_FUZZYLOGIC_H_
