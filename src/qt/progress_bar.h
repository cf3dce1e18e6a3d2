#pragma once

#include <QProgressBar>

#include "platform/controls.h"

namespace halvane::qt {

// ProgressBar1: the logic's maximum and value are kept as given; the bar shows their
// ratio on a fine integer scale.
class ProgressBarAdapter : public ProgressBar {
  public:
    static constexpr int kScale = 10000;

    explicit ProgressBarAdapter(QProgressBar& bar);

    float maximum() const { return maximum_; }
    void set_maximum(float maximum) override;
    float value() const { return value_; }
    void set_value(float value) override;

  private:
    void show();

    QProgressBar& bar_;
    float maximum_ = 100;
    float value_ = 0;
};

}  // namespace halvane::qt
