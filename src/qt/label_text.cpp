#include "qt/label_text.h"

#include <QEvent>
#include <QFontMetrics>

#include "qt_adapters/text_encoding.h"

namespace halvane::qt {

LabelText::LabelText(QLabel& label) : label_(label) {
    label_.installEventFilter(this);
}

void LabelText::set_text(std::string_view text) {
    full_ = from_utf8(text);
    fit();
}

void LabelText::set_tool_tip(std::string_view text) {
    tool_tip_ = from_utf8(text);
    fit();
}

void LabelText::fit() {
    const QFontMetrics metrics(label_.font());
    const int room = label_.contentsRect().width();
    const QString shown = metrics.elidedText(full_, Qt::ElideMiddle, room);
    label_.setText(shown);
    QString tip = shown == full_ ? QString() : full_;
    if (!tip.isEmpty() && !tool_tip_.isEmpty()) tip += QLatin1Char('\n');
    label_.setToolTip(tip + tool_tip_);
}

bool LabelText::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &label_ &&
        (event->type() == QEvent::Resize || event->type() == QEvent::FontChange))
        fit();
    return QObject::eventFilter(watched, event);
}

}  // namespace halvane::qt
