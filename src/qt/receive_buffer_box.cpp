#include "qt/receive_buffer_box.h"

#include "qt_adapters/text_encoding.h"

namespace halvane::qt {

namespace {
// About one screen frame.
constexpr int kRepaintDelayMs = 100;
}  // namespace

ReceiveBufferBox::ReceiveBufferBox(QLineEdit& box) : box_(box) {
    // The link bounds the buffer itself; the box must not cut it shorter.
    box_.setMaxLength(1 << 24);
    repaint_.setSingleShot(true);
    repaint_.setInterval(kRepaintDelayMs);
    connect(&repaint_, &QTimer::timeout, this, &ReceiveBufferBox::refresh);
}

void ReceiveBufferBox::set_text(std::string_view text) {
    if (shown_ && text == text_) return;
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

}  // namespace halvane::qt
