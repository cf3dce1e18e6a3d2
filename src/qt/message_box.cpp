#include "qt/message_box.h"

#include <QMessageBox>
#include <QPointer>
#include <cstdio>

#include "qt_adapters/text_encoding.h"

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

bool MessageBoxAdapter::ask_yes_no(std::string_view text) {
    if (!gate_.may_show()) {
        if (gate_.headless)
            std::fprintf(stderr, "halvane: %.*s (answered No)\n", static_cast<int>(text.size()),
                         text.data());
        return false;
    }
    QPointer<QMessageBox> box = new QMessageBox(QMessageBox::NoIcon, title_, from_utf8(text),
                                                QMessageBox::Yes | QMessageBox::No, &parent_);
    box->setObjectName("MessageBox");
    box->setDefaultButton(QMessageBox::No);
    const bool yes = box->exec() == QMessageBox::Yes;
    delete box.data();
    return yes;
}

}  // namespace halvane::qt
