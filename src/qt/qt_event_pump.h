#pragma once

#include "platform/event_pump.h"

namespace halvane::qt {

// Dispatch for the waiting loops: sleeps in the event dispatcher until something
// arrives (the 1 ms tick at the latest), then handles everything pending.
class QtEventPump : public EventPump {
  public:
    void wait_and_dispatch() override;
};

}  // namespace halvane::qt
