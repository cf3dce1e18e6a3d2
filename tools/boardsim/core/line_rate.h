#pragma once

#include <cmath>
#include <string>

namespace boardsim {

// Two ends of a serial line understand each other while their rates differ by at most 3 %: a
// receiver samples each bit in its middle, and a bigger difference moves its sample of the stop
// bit off the character, so it sees a framing error. Rates are in bits per second.
inline constexpr double kRateTolerance = 0.03;

inline bool rates_agree(double sender, double receiver) {
    return std::abs(sender - receiver) <= kRateTolerance * receiver;
}

// "9615 baud", as the log says it.
inline std::string rate_text(double bits_per_second) {
    return std::to_string(std::lround(bits_per_second)) + " baud";
}

}  // namespace boardsim
