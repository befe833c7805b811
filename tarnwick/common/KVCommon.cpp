#include "tarnwick/common/KVCommon.h"

namespace tarnwick {

EKVException::~EKVException() = default;
EGHashtableError::~EGHashtableError() = default;

std::string& IndentString() noexcept {
  static std::string Value = "  ";
  return Value;
}

}  // namespace tarnwick
