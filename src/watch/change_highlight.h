#pragma once

#include <optional>
#include <string_view>

namespace halvane {

// How long a changed Hex Value stays highlighted, fading out.
inline constexpr double kHighlightFadeSeconds = 1.0;

// The highlight of a Hex Value that changed at `changed_at`, at time `now`: 1 at the change,
// falling evenly to 0 after kHighlightFadeSeconds.
double highlight_strength(double changed_at, double now);

// Whether a row's new Hex Value is a change: it differs from the previous good read of the row.
// The first read of a row (no previous value) is not a change, as there is nothing it changed
// from.
bool is_value_change(std::optional<std::string_view> previous_hex, std::string_view new_hex);

}  // namespace halvane
