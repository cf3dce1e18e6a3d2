#pragma once

#include <QProgressBar>

namespace halvane::qt {

// The download's progress on a progress bar: the bar shows the ratio of value to maximum on a
// fine integer scale.
class ProgressBarAdapter {
  public:
    static constexpr int kScale = 10000;

    explicit ProgressBarAdapter(QProgressBar& bar);

    float maximum() const { return maximum_; }
    float value() const { return value_; }
    void show(float value, float maximum);

  private:
    QProgressBar& bar_;
    float maximum_ = 100;
    float value_ = 0;
};

}  // namespace halvane::qt
