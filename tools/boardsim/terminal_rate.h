#pragma once

#include <cstdint>
#include <optional>

namespace boardsim {

// The rate, in bits per second, that the terminal on `fd` is set to, custom rates such as 62500
// included: TCGETS2 reports the number itself where tcgetattr() only says that the rate is a
// custom one. On a pseudo-terminal's master end it reads the settings the PC made on the terminal
// end, which both ends share. nullopt when the terminal cannot be asked.
std::optional<std::uint32_t> read_terminal_rate(int fd);

}  // namespace boardsim
