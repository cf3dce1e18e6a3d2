#pragma once

// Answers the dialogs of File > Open as a user would: the open dialog with the program's name,
// the reset box with OK. For the developer tools that drive the real window (the screenshot
// tool, the live refresh benchmark).

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QString>
#include <QTimer>
#include <cstdio>
#include <utility>

class DialogAnswerer {
  public:
    explicit DialogAnswerer(QString program) : program_(std::move(program)) {
        QObject::connect(&poll_, &QTimer::timeout, [this] { answer(); });
        poll_.start(50);
    }

  private:
    void answer() {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            // Typed as a user types it: selectFile() may still wait for the folder's listing,
            // and the dialog would then accept nothing.
            if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                name->setText(program_);
            // QDialog's accept reaches the file dialog's own, which takes the typed name.
            static_cast<QDialog*>(dialog)->accept();
        } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            std::fprintf(stderr, "acknowledging \"%s\"\n", qPrintable(box->text()));
            box->accept();
        }
    }

    QString program_;
    QTimer poll_;
};
