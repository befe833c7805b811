// The platform's plain event type. An event is a std::function that fires only when assigned.
#ifndef TARNWICK_PLATFORM_EVENTS_H_
#define TARNWICK_PLATFORM_EVENTS_H_

#include <functional>

namespace tarnwick {

class TObject;

// Something about Sender changed (or is about to).
using TNotifyEvent = std::function<void(TObject* Sender)>;

}  // namespace tarnwick

#endif  // TARNWICK_PLATFORM_EVENTS_H_
