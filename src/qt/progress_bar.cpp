#include "qt/progress_bar.h"

#include <algorithm>
#include <cmath>

namespace halvane::qt {

ProgressBarAdapter::ProgressBarAdapter(QProgressBar& bar) : bar_(bar) {
    bar_.setRange(0, kScale);
    bar_.setTextVisible(false);
    show();
}

void ProgressBarAdapter::set_maximum(float maximum) {
    maximum_ = maximum;
    show();
}

void ProgressBarAdapter::set_value(float value) {
    value_ = value;
    show();
}

void ProgressBarAdapter::show() {
    double ratio = maximum_ > 0 ? static_cast<double>(value_) / maximum_ : 0.0;
    ratio = std::clamp(ratio, 0.0, 1.0);
    bar_.setValue(static_cast<int>(std::lround(ratio * kScale)));
}

}  // namespace halvane::qt
