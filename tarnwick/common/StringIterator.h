// IStringIterator: the common library's interface of a forward iterator over strings, as the
// string-keyed hash tables hand one out over their keys.
#ifndef TARNWICK_COMMON_STRINGITERATOR_H_
#define TARNWICK_COMMON_STRINGITERATOR_H_

#include <string>

#include "tarnwick/platform/Export.h"
#include "tarnwick/platform/Interfaces.h"
#include "tarnwick/platform/Types.h"

namespace tarnwick {

// Use: while (It->HasMoreElements()) Use(It->NextElement()); CurrentElement repeats the string
// the last NextElement returned. Count (GetCount, get_Count) is the number of strings in all.
class TARNWICK_COMMON_EXPORT IStringIterator : public virtual IInterface {
 public:
  static constexpr TGUID IID = MakeGUID("{F83E4162-A296-11D3-B992-00C04F8EDA5F}");

  virtual std::string CurrentElement() = 0;
  virtual Integer GetCount() = 0;
  virtual Integer get_Count() = 0;
  virtual bool HasMoreElements() = 0;
  virtual std::string NextElement() = 0;
  // Back to the state before the first NextElement.
  virtual void Reset() = 0;

 protected:
  ~IStringIterator() = default;
};

}  // namespace tarnwick

#endif  // TARNWICK_COMMON_STRINGITERATOR_H_
