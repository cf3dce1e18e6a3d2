#pragma once

// The line rate a benchmark measures at: "--line-rate BAUD" (9600, 62500 or 125000), agreed with
// the example's interrupt-driven responder by the link's own fast line before the measurement,
// and given up with "=30" after it.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "link/board_link.h"
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

// Sets the line to `rate` through the link's own fast line: 9600 turns Watch > Fast Line off and
// sends the program back with "=30" if the line was fast; a faster rate turns it on with that
// target, allows block reads, and has `read` read once (and wait until the link is idle): the
// agreement goes before that read. The link agrees once per program run, so a benchmark measures
// at 9600 before it measures faster. True when the line then runs at `rate`.
inline bool set_line_rate(BoardLink& link, long rate, const std::function<void()>& read,
                          const std::function<void()>& settle) {
    if (rate == wire::kSlowLine.baud) {
        link.set_fast_line_allowed(false);
        link.return_to_slow_line();
        settle();
        return link.line_rate() == rate;
    }
    link.set_fast_line_target(rate == wire::kFastestLine.baud ? wire::kFastestLine
                                                              : wire::kFastLine);
    link.set_fast_line_allowed(true);
    link.set_block_reads_allowed(true);
    read();
    return link.line_fast() && link.line_rate() == rate;
}

}  // namespace halvane::bench
