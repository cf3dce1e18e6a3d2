#pragma once

namespace halvane {

// The window runtime's event dispatch, as the waiting loops need it.
class EventPump {
  public:
    virtual ~EventPump() = default;

    // Blocks until at least one event is pending (the 1 ms tick guarantees one soon),
    // then dispatches every pending event (ticks, serial notices, user input, repaint)
    // and returns. Never spins.
    virtual void wait_and_dispatch() = 0;
};

}  // namespace halvane
