#pragma once

namespace halvane {

// How long a changed Hex Value stays highlighted, fading out.
inline constexpr double kHighlightFadeSeconds = 1.0;

// The highlight of a Hex Value that changed at `changed_at`, at time `now`: 1 at the change,
// falling evenly to 0 after kHighlightFadeSeconds.
double highlight_strength(double changed_at, double now);

}  // namespace halvane
