#pragma once

#include <QString>
#include <QWidget>

#include "platform/dialogs.h"
#include "qt/dialog_gate.h"

namespace halvane::qt {

// A modal box with the text and OK (or Yes and No) buttons, no icon.
class MessageBoxAdapter : public MessageBox {
  public:
    MessageBoxAdapter(QWidget& parent, const DialogGate& gate, QString title)
        : parent_(parent), gate_(gate), title_(std::move(title)) {}

    void show(std::string_view text) override;
    bool ask_yes_no(std::string_view text) override;

  private:
    QWidget& parent_;
    const DialogGate& gate_;
    QString title_;
};

}  // namespace halvane::qt
