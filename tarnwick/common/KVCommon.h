// The small services the containers, the model and the parser build on: the root of their
// exceptions, tolerance comparison, the cyclic interval test of hash-table deletion and the
// printer's indentation step.
#ifndef TARNWICK_COMMON_KVCOMMON_H_
#define TARNWICK_COMMON_KVCOMMON_H_

#include <cmath>
#include <cstdint>
#include <string>

#include "tarnwick/platform/Exceptions.h"
#include "tarnwick/platform/Export.h"
#include "tarnwick/platform/ResStrings.h"

namespace tarnwick {

TARNWICK_DECLARE_EXCEPTION(TARNWICK_COMMON_EXPORT, EKVException, Exception);
TARNWICK_DECLARE_EXCEPTION(TARNWICK_COMMON_EXPORT, EGHashtableError, EKVException);

inline constexpr TResString STableEmpty{"STableEmpty", "Hash table is empty"};

// True when A and B differ by no more than Tolerance: A lies in the closed interval
// [B - Tolerance, B + Tolerance]. The bounds are computed, and so rounded, at B's magnitude,
// rather than comparing |A - B| with Tolerance. That way a value made as B + Tolerance or
// B - Tolerance is always inside; two values written Tolerance apart (2.5 and 2.5001, which as
// doubles differ by a little more) mostly count as equal; and a one-sided test written as
// A > B + Tolerance is exactly the upper half of this test's complement. Every tolerance test of
// the library goes through here, so that all of them draw the boundary in the same place.
inline bool FloatEquals(double A, double B, double Tolerance) noexcept {
  return A >= B - Tolerance && A <= B + Tolerance;
}

// True when Item lies in the cyclic interval (Bottom, TopInc] of slot indices: Bottom < Item
// <= TopInc, or, when the interval wraps (TopInc < Bottom), Item > Bottom or Item <= TopInc.
constexpr bool InCircularRange(std::int32_t Bottom, std::int32_t Item, std::int32_t TopInc) noexcept {
  return (Bottom < Item && Item <= TopInc) || (TopInc < Bottom && (Item > Bottom || Item <= TopInc));
}

// One indentation step of printed text. A host may change it; printing reads it each time.
TARNWICK_COMMON_EXPORT std::string& IndentString() noexcept;

}  // namespace tarnwick

#endif  // TARNWICK_COMMON_KVCOMMON_H_
