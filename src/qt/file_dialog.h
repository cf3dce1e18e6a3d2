#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>
#include <optional>

#include "platform/dialogs.h"
#include "qt/dialog_gate.h"

namespace halvane::qt {

// "Description (*.ext)|*.ext[|...]" as Qt's name filters: one "Description (patterns)"
// entry per pair.
QStringList name_filters(std::string_view filter);

// CommonDialog1: the open and save dialogs. The file name of one use (the preset name, or
// the name chosen) is shown again by the next use of either dialog. The save dialog gives
// every name its default extension (see FileDialogSettings) and asks before it replaces the
// file of that final name; No shows the dialog again.
class FileDialogAdapter : public FileDialog {
  public:
    FileDialogAdapter(QWidget& parent, const DialogGate& gate) : parent_(parent), gate_(gate) {}

    std::string show_open(const FileDialogSettings& settings) override;
    std::string show_save(const FileDialogSettings& settings) override;

    const QString& remembered_name() const { return remembered_name_; }

  private:
    std::string show(const FileDialogSettings& settings, bool save);
    // Yes or No to replacing `path`; std::nullopt when the window closed meanwhile.
    std::optional<bool> ask_replace(QWidget& dialog, const QString& path);

    QWidget& parent_;
    const DialogGate& gate_;
    QString remembered_name_;
};

}  // namespace halvane::qt
