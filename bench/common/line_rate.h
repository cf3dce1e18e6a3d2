#pragma once

// The line rate a benchmark measures at: "--line-rate BAUD" (9600, 62500 or 125000), agreed with
// the example's interrupt-driven responder through the link's own speed agreement before the
// measurement, and given up with "=30" after it.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "link/board_link.h"
#include "link/line_speed.h"
#include "link/wire_protocol.h"

namespace halvane::bench {

// Takes "--line-rate BAUD" out of `args`; 9600 when it is not there. A rate the responder does
// not know ends the program with a message.
inline long take_line_rate(std::vector<std::string>& args) {
    long rate = wire::kSlowLine.baud;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] != "--line-rate") continue;
        rate = i + 1 < args.size() ? std::atol(args[i + 1].c_str()) : 0;
        args.erase(args.begin() + static_cast<std::ptrdiff_t>(i),
                   args.begin() + static_cast<std::ptrdiff_t>(std::min(i + 2, args.size())));
        break;
    }
    for (const wire::LineRate known : {wire::kSlowLine, wire::kFastLine, wire::kFastestLine})
        if (known.baud == rate) return rate;
    std::fprintf(stderr, "--line-rate takes 9600, 62500 or 125000\n");
    std::exit(2);
}

// Runs the speed agreement for `rate` on `link` (a program runs), or the way back to 9600, and
// waits with `settle` until the link is idle. True when the line then runs at `rate`.
inline bool set_line_rate(BoardLink& link, LineSpeed& speed, long rate,
                          const std::function<void()>& settle) {
    if (rate == wire::kSlowLine.baud) {
        if (speed.fast()) link.queue_user_job(speed.make_return());
        settle();
        return !speed.fast();
    }
    speed.forget();
    speed.set_target(rate == wire::kFastestLine.baud ? wire::kFastestLine : wire::kFastLine);
    for (int asked = 0; speed.due() && asked <= LineSpeed::kResendsAfterDamage; ++asked) {
        link.queue_user_job(speed.make_request());
        settle();
    }
    return speed.fast();
}

}  // namespace halvane::bench
