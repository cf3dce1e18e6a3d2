#include "qt/message_box.h"

#include <QMessageBox>
#include <QPointer>
#include <cstdio>

#include "qt/text_encoding.h"

namespace halvane::qt {

void MessageBoxAdapter::show(std::string_view text) {
    if (!gate_.may_show()) {
        if (gate_.headless)
            std::fprintf(stderr, "halvane: %.*s\n", static_cast<int>(text.size()), text.data());
        return;
    }
    QPointer<QMessageBox> box =
        new QMessageBox(QMessageBox::NoIcon, title_, from_utf8(text), QMessageBox::Ok, &parent_);
    box->setObjectName("MessageBox");
    box->exec();
    delete box.data();
}

}  // namespace halvane::qt
