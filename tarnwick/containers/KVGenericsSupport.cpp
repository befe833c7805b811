// The shared error paths and size rules of the generic containers.
#include "tarnwick/containers/KVGenericsSupport.h"

#include "tarnwick/common/KVCommon.h"
#include "tarnwick/platform/Classes.h"
#include "tarnwick/platform/Exceptions.h"
#include "tarnwick/platform/ResStrings.h"

namespace tarnwick::collections::detail {

void RaiseArgumentOutOfRange() {
  throw EArgumentOutOfRangeException(LoadResString(SArgumentOutOfRange));
}

void RaiseOutOfMemory() { throw EOutOfMemory(LoadResString(SOutOfMemory)); }

void RaiseDuplicateItem() { throw EListError(LoadResString(SGenericDuplicateItem)); }

void RaiseItemNotFound() { throw EListError(LoadResString(SGenericItemNotFound)); }

void RaiseListIndexError(Integer Index) { RaiseListError(SListIndexError, Index); }

void RaiseTableEmpty() { throw EGHashtableError(LoadResString(STableEmpty)); }

Integer SlotCountFor(Integer ACapacity) {
  if (ACapacity > kMaxSlotCount) RaiseArgumentOutOfRange();
  Integer N = 4;
  while (N < ACapacity) N *= 2;
  return N;
}

Integer GrownLength(Integer CurrentLength, Integer NeededCount) {
  if (NeededCount < 0) RaiseOutOfMemory();
  if (CurrentLength <= 0) return NeededCount;
  std::int64_t N = CurrentLength;
  while (N < NeededCount) N *= 2;
  if (N > INT32_MAX) RaiseOutOfMemory();
  return static_cast<Integer>(N);
}

}  // namespace tarnwick::collections::detail
