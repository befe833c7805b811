// The root of every error the library raises, and the platform's own error classes.
#ifndef TARNWICK_PLATFORM_EXCEPTIONS_H_
#define TARNWICK_PLATFORM_EXCEPTIONS_H_

#include <exception>
#include <string>

#include "tarnwick/platform/Export.h"

namespace tarnwick {

class TARNWICK_PLATFORM_EXPORT Exception : public std::exception {
 public:
  explicit Exception(std::string Message);
  ~Exception() override;

  const char* what() const noexcept override { return FMessage.c_str(); }
  const std::string& GetMessage() const noexcept { return FMessage; }
  void SetMessage(std::string Value) { FMessage = std::move(Value); }

 private:
  std::string FMessage;
};

#define TARNWICK_DECLARE_EXCEPTION(Export, Name, Base) \
  class Export Name : public Base {                    \
   public:                                             \
    using Base::Base;                                  \
    ~Name() override;                                  \
  }

TARNWICK_DECLARE_EXCEPTION(TARNWICK_PLATFORM_EXPORT, EListError, Exception);
TARNWICK_DECLARE_EXCEPTION(TARNWICK_PLATFORM_EXPORT, EStringListError, Exception);
TARNWICK_DECLARE_EXCEPTION(TARNWICK_PLATFORM_EXPORT, EArgumentException, Exception);
TARNWICK_DECLARE_EXCEPTION(TARNWICK_PLATFORM_EXPORT, EArgumentOutOfRangeException, EArgumentException);
TARNWICK_DECLARE_EXCEPTION(TARNWICK_PLATFORM_EXPORT, EConvertError, Exception);
TARNWICK_DECLARE_EXCEPTION(TARNWICK_PLATFORM_EXPORT, EInvalidCast, Exception);
TARNWICK_DECLARE_EXCEPTION(TARNWICK_PLATFORM_EXPORT, EIntfCastError, Exception);
TARNWICK_DECLARE_EXCEPTION(TARNWICK_PLATFORM_EXPORT, EAbstractError, Exception);
TARNWICK_DECLARE_EXCEPTION(TARNWICK_PLATFORM_EXPORT, EOutOfMemory, Exception);
TARNWICK_DECLARE_EXCEPTION(TARNWICK_PLATFORM_EXPORT, EComponentError, Exception);

}  // namespace tarnwick

#endif  // TARNWICK_PLATFORM_EXCEPTIONS_H_
