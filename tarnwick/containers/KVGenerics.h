// The generic containers: the hash dictionary with its views, the change-notifying hash tables
// and the typed string list.
#ifndef TARNWICK_CONTAINERS_KVGENERICS_H_
#define TARNWICK_CONTAINERS_KVGENERICS_H_

#include "tarnwick/containers/KVDictionary.h"
#include "tarnwick/containers/KVEnumerable.h"
#include "tarnwick/containers/KVHashTable.h"
#include "tarnwick/containers/KVStringList.h"

#endif  // TARNWICK_CONTAINERS_KVGENERICS_H_
