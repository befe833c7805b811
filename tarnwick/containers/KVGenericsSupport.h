// The non-generic core of the containers: the error paths every instantiation shares, compiled
// once, and the slot-count rule of the hash dictionary.
#ifndef TARNWICK_CONTAINERS_KVGENERICSSUPPORT_H_
#define TARNWICK_CONTAINERS_KVGENERICSSUPPORT_H_

#include <cstdint>

#include "tarnwick/platform/Export.h"
#include "tarnwick/platform/Types.h"

namespace tarnwick::collections::detail {

// The largest slot table: 2^30 slots; doubling it would overflow a 32-bit count.
inline constexpr Integer kMaxSlotCount = Integer{1} << 30;

// EArgumentOutOfRangeException with SArgumentOutOfRange.
[[noreturn]] TARNWICK_EXPORT void RaiseArgumentOutOfRange();
// The platform's out-of-memory error (EOutOfMemory with SOutOfMemory).
[[noreturn]] TARNWICK_EXPORT void RaiseOutOfMemory();
// EListError with SGenericDuplicateItem.
[[noreturn]] TARNWICK_EXPORT void RaiseDuplicateItem();
// EListError with SGenericItemNotFound.
[[noreturn]] TARNWICK_EXPORT void RaiseItemNotFound();
// EListError with SListIndexError formatted with Index.
[[noreturn]] TARNWICK_EXPORT void RaiseListIndexError(Integer Index);
// EGHashtableError with STableEmpty.
[[noreturn]] TARNWICK_EXPORT void RaiseTableEmpty();

// The slot count for a requested capacity above 0: 4, doubled while below ACapacity (1 and 4
// give 4, 5 gives 8). A capacity above kMaxSlotCount has no slot count and raises the
// argument-range error.
TARNWICK_EXPORT Integer SlotCountFor(Integer ACapacity);

// The next length of a string list's item array for NeededCount items, from CurrentLength:
// exactly NeededCount when the array is empty, else CurrentLength doubled until it holds
// NeededCount. A negative NeededCount, or a doubling past the 32-bit range, raises the
// out-of-memory error.
TARNWICK_EXPORT Integer GrownLength(Integer CurrentLength, Integer NeededCount);

}  // namespace tarnwick::collections::detail

#endif  // TARNWICK_CONTAINERS_KVGENERICSSUPPORT_H_
