#pragma once

#include <QLabel>

#include "platform/controls.h"

namespace halvane::qt {

// A label whose caption the logic sets and reads (the status line `Status`).
class LabelText : public TextControl {
  public:
    explicit LabelText(QLabel& label) : label_(label) {}

    std::string text() const override;
    void set_text(std::string_view text) override;

  private:
    QLabel& label_;
};

}  // namespace halvane::qt
