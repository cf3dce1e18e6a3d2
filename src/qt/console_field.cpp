#include "qt/console_field.h"

#include <QKeyEvent>
#include <optional>
#include <string>

#include "link/board_console.h"

namespace halvane::qt {

ConsoleField::ConsoleField(QWidget* parent) : QLineEdit(parent) {
    setObjectName("Console");
    setPlaceholderText(QStringLiteral("Type to the board's monitor or program; Enter sends"));
}

void ConsoleField::keyPressEvent(QKeyEvent* event) {
    if (!console_) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            // The board speaks ASCII; the line goes as its Latin-1 bytes.
            if (console_->enter(text().toLatin1().toStdString())) clear();
            return;
        case Qt::Key_Up:
        case Qt::Key_Down: {
            const std::optional<std::string> line =
                event->key() == Qt::Key_Up ? console_->recall_older() : console_->recall_newer();
            if (line) setText(QString::fromLatin1(line->c_str()));
            return;
        }
        default:
            QLineEdit::keyPressEvent(event);
    }
}

}  // namespace halvane::qt
