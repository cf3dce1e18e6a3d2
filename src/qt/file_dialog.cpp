#include "qt/file_dialog.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>

#include "qt_adapters/text_encoding.h"
#include "text/file_extension.h"

namespace halvane::qt {

QStringList name_filters(std::string_view filter) {
    const QStringList parts = from_utf8(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        QString patterns = parts[i + 1].trimmed();
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        // Qt reads the patterns from the last bracket of the entry: keep the description's
        // own words and put the real patterns there.
        const qsizetype open = description.lastIndexOf(QLatin1Char('('));
        if (open >= 0 && description.endsWith(QLatin1Char(')'))) {
            description = description.left(open).trimmed();
        }
        filters << QStringLiteral("%1 (%2)").arg(description, patterns);
    }
    if (filters.isEmpty()) filters << QStringLiteral("All files (*)");
    return filters;
}

std::string FileDialogAdapter::show_open(const FileDialogSettings& settings) {
    return show(settings, false);
}

std::string FileDialogAdapter::show_save(const FileDialogSettings& settings) {
    return show(settings, true);
}

std::string FileDialogAdapter::show(const FileDialogSettings& settings, bool save) {
    if (settings.file_name) remembered_name_ = QFile::decodeName(settings.file_name->c_str());
    if (!gate_.may_show()) return {};

    QPointer<QFileDialog> dialog = new QFileDialog(&parent_);
    dialog->setObjectName(save ? "SaveDialog" : "OpenDialog");
    dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // A typed name of a file that does not exist is returned like any other.
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilters(name_filters(settings.filter));
    QString suffix = from_utf8(settings.default_extension);
    while (suffix.startsWith(QLatin1Char('.'))) suffix.remove(0, 1);
    dialog->setDefaultSuffix(suffix);
    // The dialog would only ask about the name as typed; a save asks about its final name here.
    dialog->setOption(QFileDialog::DontConfirmOverwrite, true);
    if (!settings.initial_directory.empty()) {
        dialog->setDirectory(QFile::decodeName(settings.initial_directory.c_str()));
    }

    QString chosen;
    for (;;) {
        // A name with a folder opens the dialog in that folder.
        if (!remembered_name_.isEmpty()) dialog->selectFile(remembered_name_);
        const bool accepted = dialog->exec() == QDialog::Accepted;
        if (dialog.isNull()) return {};
        chosen.clear();
        if (accepted && !dialog->selectedFiles().isEmpty())
            chosen = dialog->selectedFiles().constFirst();
        if (chosen.isEmpty() || !save) break;
        const QByteArray typed = QFile::encodeName(chosen);
        chosen = QFile::decodeName(
            with_extension(typed.toStdString(), settings.default_extension).c_str());
        if (!settings.confirm_overwrite || !QFileInfo::exists(chosen)) break;
        const std::optional<bool> replace = ask_replace(*dialog, chosen);
        if (dialog.isNull()) return {};
        if (!replace) chosen.clear();
        if (!replace || *replace) break;
        remembered_name_ = chosen;
    }
    delete dialog.data();
    if (chosen.isEmpty()) return {};
    remembered_name_ = chosen;
    const QByteArray path = QFile::encodeName(chosen);
    return std::string(path.constData(), static_cast<std::size_t>(path.size()));
}

std::optional<bool> FileDialogAdapter::ask_replace(QWidget& dialog, const QString& path) {
    if (!gate_.may_show()) return std::nullopt;
    QPointer<QMessageBox> box =
        new QMessageBox(QMessageBox::Warning, dialog.windowTitle(),
                        QStringLiteral("%1 already exists.\nDo you want to replace it?")
                            .arg(QFileInfo(path).fileName()),
                        QMessageBox::Yes | QMessageBox::No, &parent_);
    box->setObjectName("ReplaceQuestion");
    box->setDefaultButton(QMessageBox::No);
    const int answer = box->exec();
    if (box.isNull()) return std::nullopt;
    delete box.data();
    if (!gate_.may_show()) return std::nullopt;
    return answer == QMessageBox::Yes;
}

}  // namespace halvane::qt
