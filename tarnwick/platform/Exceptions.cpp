// The out-of-line destructors that anchor the vtables and type information of the platform's
// error classes in the library, so that a host catches them by type.
#include "tarnwick/platform/Exceptions.h"

namespace tarnwick {

Exception::Exception(std::string Message) : FMessage(std::move(Message)) {}
Exception::~Exception() = default;

EListError::~EListError() = default;
EStringListError::~EStringListError() = default;
EArgumentException::~EArgumentException() = default;
EArgumentOutOfRangeException::~EArgumentOutOfRangeException() = default;
EConvertError::~EConvertError() = default;
EInvalidCast::~EInvalidCast() = default;
EIntfCastError::~EIntfCastError() = default;
EAbstractError::~EAbstractError() = default;
EOutOfMemory::~EOutOfMemory() = default;
EComponentError::~EComponentError() = default;

}  // namespace tarnwick
