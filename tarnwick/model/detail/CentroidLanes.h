// The switch between the two ways the centre of gravity sums its segments: four at a time in the
// lanes of an AVX register, or one by one. Both give the same bits. The lanes are taken where the
// processor has them; a test turns them off to run the one-by-one sums on the same machine.
// Internal to the model.
#ifndef TARNWICK_MODEL_DETAIL_CENTROIDLANES_H_
#define TARNWICK_MODEL_DETAIL_CENTROIDLANES_H_

#include "tarnwick/platform/Export.h"

namespace tarnwick::detail {

// Whether the sums take the lanes.
TARNWICK_EXPORT bool GetCentroidLanes() noexcept;
// Takes the lanes when Value is true and the processor has them; returns the setting before.
TARNWICK_EXPORT bool SetCentroidLanes(bool Value) noexcept;

}  // namespace tarnwick::detail

#endif  // TARNWICK_MODEL_DETAIL_CENTROIDLANES_H_
