#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "link/line_job.h"
#include "platform/clock.h"

namespace halvane {

// Asks the program's responder, once per program run and port, whether it answers block reads:
// one block read of the byte at 2400 (where every program starts), one character per tick, then
// a wait for "@" of at most 250 ms. A reply with the right check says yes; silence, a byte
// reply or a wrong check say no. Whatever arrives is dropped: it never reaches the receive log.
class BlockReadProbe : public LineJob {
  public:
    static constexpr std::uint16_t kAddress = 0x2400;
    static constexpr std::int64_t kReplyWaitNs = 250 * kNanosPerMilli;

    // `answered` is told whether block reads work, once the probe has ended on its own.
    explicit BlockReadProbe(std::function<void(bool block_reads)> answered);

    void start(Line& line) override;
    void woke(Line& line) override;
    void received(Line& line, std::string_view text) override;
    void stop(std::string_view port_error) override;
    void abandon() override { finished_ = true; }
    bool finished() const override { return finished_; }
    bool withholds_replies() const override { return true; }

  private:
    void send_next(Line& line);
    void finish(bool block_reads);

    std::function<void(bool)> answered_;
    std::string request_;
    std::size_t sent_ = 0;
    std::int64_t last_sent_ns_ = 0;
    std::int64_t deadline_ns_ = -1;  // set once the last character has been sent
    std::string received_;
    bool finished_ = false;
};

}  // namespace halvane
