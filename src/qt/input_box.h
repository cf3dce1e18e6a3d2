#pragma once

#include <QWidget>

#include "platform/dialogs.h"
#include "qt/dialog_gate.h"

namespace halvane::qt {

// A modal input box: prompt, title and one line; Cancel gives no text at all.
class InputBoxAdapter : public InputBox {
  public:
    InputBoxAdapter(QWidget& parent, const DialogGate& gate) : parent_(parent), gate_(gate) {}

    std::optional<std::string> ask(std::string_view prompt, std::string_view title) override;

  private:
    QWidget& parent_;
    const DialogGate& gate_;
};

}  // namespace halvane::qt
