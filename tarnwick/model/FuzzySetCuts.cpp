// Placeholder; the cuts and overlap go here.
#include "tarnwick/model/FuzzySet.h"
