// Placeholder; inference and defuzzification go here.
#include "tarnwick/model/FuzzySet.h"
