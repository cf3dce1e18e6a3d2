#include "watch/change_highlight.h"

#include <algorithm>

namespace halvane {

double highlight_strength(double changed_at, double now) {
    const double elapsed = std::max(0.0, now - changed_at);
    return std::clamp(1.0 - elapsed / kHighlightFadeSeconds, 0.0, 1.0);
}

}  // namespace halvane
