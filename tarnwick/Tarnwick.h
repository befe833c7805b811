// Everything a host needs: the runtime layer (objects, collections, components, formatting),
// the common services, the generic containers, the fuzzy model and the definition-language parser.
#ifndef TARNWICK_TARNWICK_H_
#define TARNWICK_TARNWICK_H_

#include "tarnwick/common/GCollection.h"
#include "tarnwick/common/KVCommon.h"
#include "tarnwick/containers/KVGenerics.h"
#include "tarnwick/model/FuzzyConsts.h"
#include "tarnwick/model/FuzzyInterfaces.h"
#include "tarnwick/model/FuzzyLogic.h"
#include "tarnwick/model/IFuzzyLogic.h"
#include "tarnwick/parser/FuzzyClasses.h"
#include "tarnwick/parser/FuzzyLogicTokenStream.h"
#include "tarnwick/parser/KVFuzzyLogicParser.h"
#include "tarnwick/platform/Classes.h"
#include "tarnwick/platform/Component.h"
#include "tarnwick/platform/ComponentStreaming.h"
#include "tarnwick/platform/Format.h"

#endif  // TARNWICK_TARNWICK_H_
