#pragma once

#include <string>

namespace halvane {

// `value` with exactly `decimals` digits after a '.', whatever the process's locale (the Qt
// runtime sets the user's, and some of those write a ',').
std::string fixed_point_text(double value, int decimals);

}  // namespace halvane
