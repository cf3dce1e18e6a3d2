#pragma once

namespace halvane {

// The periodic timer `Timer1`. Each firing is delivered to `Tamrin::Timer1_Timer`.
class TickTimer {
  public:
    virtual ~TickTimer() = default;
    virtual void set_interval_ms(int interval) = 0;
    virtual void set_enabled(bool enabled) = 0;
};

}  // namespace halvane
