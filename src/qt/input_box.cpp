#include "qt/input_box.h"

#include <QInputDialog>
#include <QPointer>

#include "qt_adapters/text_encoding.h"

namespace halvane::qt {

std::optional<std::string> InputBoxAdapter::ask(std::string_view prompt, std::string_view title) {
    if (!gate_.may_show()) return std::nullopt;
    QPointer<QInputDialog> box = new QInputDialog(&parent_);
    box->setObjectName("InputBox");
    box->setInputMode(QInputDialog::TextInput);
    box->setWindowTitle(from_utf8(title));
    box->setLabelText(from_utf8(prompt));
    const bool accepted = box->exec() == QDialog::Accepted;
    // The box may be gone if its parent was destroyed while it was open.
    if (box.isNull()) return std::nullopt;
    std::optional<std::string> answer;
    if (accepted) answer = to_utf8(box->textValue());
    delete box.data();
    return answer;
}

}  // namespace halvane::qt
