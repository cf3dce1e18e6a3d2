#include "qt/symbol_picker_dialog.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "qt_adapters/text_encoding.h"
#include "symbols/symbol_rows.h"

namespace halvane::qt {

namespace {
enum Column { kName, kAddress, kSize, kSection };
}  // namespace

SymbolPickerDialog::SymbolPickerDialog(QWidget* parent, const QString& program_path,
                                       const std::vector<ProgramSymbol>& symbols,
                                       const std::vector<bool>& marks)
    : QDialog(parent) {
    setObjectName("SymbolPicker");
    setWindowTitle(QStringLiteral("Import Symbols"));
    auto* layout = new QVBoxLayout(this);

    auto* source = new QLabel(QStringLiteral("Symbols of %1").arg(program_path), this);
    source->setObjectName("program");
    source->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(source);

    filter_ = new QLineEdit(this);
    filter_->setObjectName("filter");
    filter_->setPlaceholderText(QStringLiteral("Filter by name"));
    filter_->setClearButtonEnabled(true);
    layout->addWidget(filter_);

    list_ = new QTreeWidget(this);
    list_->setObjectName("symbols");
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Address"),
                            QStringLiteral("Size"), QStringLiteral("Section")});
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(symbols.size()));
    for (std::size_t i = 0; i < symbols.size(); ++i) {
        const ProgramSymbol& symbol = symbols[i];
        auto* item = new QTreeWidgetItem(QStringList{
            from_utf8(symbol.name), from_utf8(row_address(symbol)), QString::number(symbol.size),
            symbol.in_code ? QStringLiteral("code") : QStringLiteral("data")});
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(kName, i < marks.size() && marks[i] ? Qt::Checked : Qt::Unchecked);
        item->setTextAlignment(kSize, Qt::AlignRight | Qt::AlignVCenter);
        items.push_back(item);
    }
    list_->addTopLevelItems(items);
    for (int col : {kName, kAddress, kSize, kSection}) list_->resizeColumnToContents(col);
    list_->setMinimumWidth(list_->header()->length() + 40);
    layout->addWidget(list_);

    count_ = new QLabel(this);
    count_->setObjectName("checked_count");
    layout->addWidget(count_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);

    connect(filter_, &QLineEdit::textChanged, this, &SymbolPickerDialog::apply_filter);
    connect(list_, &QTreeWidget::itemChanged, this, &SymbolPickerDialog::count_checked);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    count_checked();
    filter_->setFocus(Qt::OtherFocusReason);
}

std::vector<bool> SymbolPickerDialog::marks() const {
    std::vector<bool> result;
    result.reserve(static_cast<std::size_t>(list_->topLevelItemCount()));
    for (int i = 0; i < list_->topLevelItemCount(); ++i)
        result.push_back(list_->topLevelItem(i)->checkState(kName) == Qt::Checked);
    return result;
}

void SymbolPickerDialog::apply_filter(const QString& text) {
    const QString wanted = text.trimmed();
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = list_->topLevelItem(i);
        item->setHidden(!item->text(kName).contains(wanted, Qt::CaseInsensitive));
    }
}

void SymbolPickerDialog::count_checked() {
    int checked = 0;
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        if (list_->topLevelItem(i)->checkState(kName) == Qt::Checked) ++checked;
    }
    count_->setText(
        QStringLiteral("%1 of %2 symbols checked").arg(checked).arg(list_->topLevelItemCount()));
}

std::optional<std::vector<bool>> SymbolPickerAdapter::choose(
    std::string_view program_path, const std::vector<ProgramSymbol>& symbols,
    std::vector<bool> marks) {
    if (!gate_.may_show()) return std::nullopt;
    QPointer<SymbolPickerDialog> dialog = new SymbolPickerDialog(
        &parent_,
        QFile::decodeName(
            QByteArray(program_path.data(), static_cast<qsizetype>(program_path.size()))),
        symbols, marks);
    const bool accepted = dialog->exec() == QDialog::Accepted;
    // The dialog may be gone if its parent was destroyed while it was open.
    if (dialog.isNull()) return std::nullopt;
    std::optional<std::vector<bool>> result;
    if (accepted) result = dialog->marks();
    delete dialog.data();
    return result;
}

}  // namespace halvane::qt
