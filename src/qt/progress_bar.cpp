#include "qt/progress_bar.h"

#include <algorithm>
#include <cmath>

namespace halvane::qt {

ProgressBarAdapter::ProgressBarAdapter(QProgressBar& bar) : bar_(bar) {
    bar_.setRange(0, kScale);
    bar_.setTextVisible(false);
    show(0, 100);
}

void ProgressBarAdapter::show(float value, float maximum) {
    value_ = value;
    maximum_ = maximum;
    double ratio = maximum_ > 0 ? static_cast<double>(value_) / maximum_ : 0.0;
    ratio = std::clamp(ratio, 0.0, 1.0);
    bar_.setValue(static_cast<int>(std::lround(ratio * kScale)));
}

}  // namespace halvane::qt
