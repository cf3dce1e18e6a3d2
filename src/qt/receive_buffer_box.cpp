#include "qt/receive_buffer_box.h"

#include <QEvent>

#include "qt/text_encoding.h"

namespace halvane::qt {

namespace {
// About one screen frame.
constexpr int kRepaintDelayMs = 20;
}  // namespace

ReceiveBufferBox::ReceiveBufferBox(QLineEdit& box) : box_(box) {
    // The logic bounds the buffer itself; the box must not cut it shorter.
    box_.setMaxLength(1 << 24);
    repaint_.setSingleShot(true);
    repaint_.setInterval(kRepaintDelayMs);
    connect(&repaint_, &QTimer::timeout, this, &ReceiveBufferBox::refresh);
    connect(&box_, &QLineEdit::textEdited, this,
            [this](const QString& edited) { text_ = to_bytes(edited); });
    box_.installEventFilter(this);
}

void ReceiveBufferBox::set_text(std::string_view text) {
    text_.assign(text);
    shown_ = false;
    if (!repaint_.isActive()) repaint_.start();
}

void ReceiveBufferBox::refresh() {
    repaint_.stop();
    if (shown_) return;
    shown_ = true;
    box_.setText(from_bytes(text_));
}

bool ReceiveBufferBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &box_ && !shown_) {
        switch (event->type()) {
            case QEvent::KeyPress:
            case QEvent::InputMethod:
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonDblClick:
            case QEvent::ContextMenu:
            case QEvent::DragEnter:
            case QEvent::Drop:
            case QEvent::FocusIn:
                refresh();
                break;
            default:
                break;
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace halvane::qt
