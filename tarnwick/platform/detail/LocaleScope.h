// TLocaleScope: the process's global locale, taken once for a run of string comparisons.
//
// AnsiCompareStr and AnsiCompareText compare by the global locale as it is at the call. Asking
// for it costs more than a byte comparison of two short names, so a search or a sort that
// compares many times opens a scope first: while it lasts, the comparisons of the same thread
// use the locale the scope took (and whether it is the classic one) instead of asking again.
// Scopes nest and end in the reverse order they began, as objects on the stack do; a scope
// never outlives the function that opened it, so a host that changes the global locale between
// two searches is heard by the next one.
#ifndef TARNWICK_PLATFORM_DETAIL_LOCALESCOPE_H_
#define TARNWICK_PLATFORM_DETAIL_LOCALESCOPE_H_

#include <locale>

#include "tarnwick/platform/Export.h"

namespace tarnwick::detail {

class TARNWICK_PLATFORM_EXPORT TLocaleScope {
 public:
  TLocaleScope();
  ~TLocaleScope();
  TLocaleScope(const TLocaleScope&) = delete;
  TLocaleScope& operator=(const TLocaleScope&) = delete;

  const std::locale& GetLocale() const noexcept { return FLocale; }
  bool IsClassic() const noexcept { return FClassic; }

 private:
  std::locale FLocale;
  bool FClassic;
  const TLocaleScope* FOuter;
};

}  // namespace tarnwick::detail

#endif  // TARNWICK_PLATFORM_DETAIL_LOCALESCOPE_H_
