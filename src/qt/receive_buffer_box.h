#pragma once

#include <QLineEdit>
#include <QObject>
#include <QTimer>
#include <string>

#include "platform/controls.h"

namespace halvane::qt {

// Text1, the receive buffer: an editable one-line box. The logic's text is kept here byte
// for byte (control characters included) and is the one the logic reads back; the box
// shows it a moment later, so that a stream of single characters costs one relayout per
// frame instead of one per character. Anything the user does to the box first brings it
// up to date, so an edit never works on stale text.
class ReceiveBufferBox : public QObject, public TextControl {
    Q_OBJECT

  public:
    explicit ReceiveBufferBox(QLineEdit& box);

    std::string text() const override { return text_; }
    void set_text(std::string_view text) override;

    // Shows the current text at once.
    void refresh();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QLineEdit& box_;
    std::string text_;
    QTimer repaint_;
    bool shown_ = true;
};

}  // namespace halvane::qt
