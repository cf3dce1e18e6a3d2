#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "debug/program_image.h"

namespace halvane {

// How Continue lets a stopped program go on from P.
struct ContinueStep {
    enum class Kind {
        kProceed,     // `p`: P is a breakpoint of the table, where `g` would stop again at once
        kGoFromNext,  // `g P+1`: the program's own SWI stopped it, and `g` would run it again
        kGo,          // `g`: from P
    };
    Kind kind = Kind::kGo;
    std::uint16_t pc = 0;

    // The monitor command that does it, with its CR.
    std::string command() const;

    friend bool operator==(const ContinueStep&, const ContinueStep&) = default;
};

// The step for a program stopped at `pc` with the breakpoints of `table` set.
ContinueStep continue_step(std::uint16_t pc, std::span<const std::uint16_t> table,
                           const ProgramImage& program);

}  // namespace halvane
