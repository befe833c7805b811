// The library's component classes as component streams name them.
#ifndef TARNWICK_PARSER_FUZZYCLASSES_H_
#define TARNWICK_PARSER_FUZZYCLASSES_H_

#include "tarnwick/platform/Export.h"

namespace tarnwick {

// Registers TFuzzyLogic, TIFuzzyLogic and TKVFuzzyLogicParser with the platform's class
// registry, so that a stream can create them by name. Call it once before reading streams that
// hold them (it runs no work at load time of its own); calling it again does nothing.
TARNWICK_EXPORT void RegisterFuzzyClasses();

}  // namespace tarnwick

#endif  // TARNWICK_PARSER_FUZZYCLASSES_H_
