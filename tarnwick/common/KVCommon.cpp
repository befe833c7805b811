// The out-of-line destructors that anchor the common library's exceptions, and the printer's
// indentation step.
#include "tarnwick/common/KVCommon.h"

#include "tarnwick/platform/detail/Immortal.h"

namespace tarnwick {

EKVException::~EKVException() = default;
EGHashtableError::~EGHashtableError() = default;

std::string& IndentString() noexcept {
  static detail::TImmortal<std::string> Value("  ");
  return Value.Get();
}

}  // namespace tarnwick
