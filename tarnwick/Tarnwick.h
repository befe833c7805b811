// Everything a host needs: the platform stand-ins, the common services and the fuzzy model.
#ifndef TARNWICK_TARNWICK_H_
#define TARNWICK_TARNWICK_H_

#include "tarnwick/common/GCollection.h"
#include "tarnwick/common/KVCommon.h"
#include "tarnwick/model/FuzzyLogic.h"
#include "tarnwick/platform/Classes.h"
#include "tarnwick/platform/Format.h"

#endif  // TARNWICK_TARNWICK_H_
