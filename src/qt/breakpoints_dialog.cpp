#include "qt/breakpoints_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "qt_adapters/text_encoding.h"

namespace halvane::qt {

BreakpointsDialog::BreakpointsDialog(QWidget* parent, BreakpointRequests& requests)
    : QDialog(parent), requests_(requests) {
    setObjectName("Breakpoints");
    setWindowTitle(QStringLiteral("Breakpoints"));
    auto* layout = new QVBoxLayout(this);

    list_ = new QTreeWidget(this);
    list_->setObjectName("breakpoints");
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setHeaderLabels(
        {QStringLiteral("Place"), QStringLiteral("Address"), QStringLiteral("Symbol")});
    // Room for a file name, the address and a symbol with its offset.
    list_->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('x')) * 48);
    layout->addWidget(list_);

    auto* adding = new QHBoxLayout;
    typed_ = new QLineEdit(this);
    typed_->setObjectName("new_breakpoint");
    typed_->setPlaceholderText(QStringLiteral("Address or symbol"));
    adding->addWidget(typed_);
    add_ = new QPushButton(QStringLiteral("&Add"), this);
    add_->setObjectName("add");
    adding->addWidget(add_);
    remove_ = new QPushButton(QStringLiteral("&Remove"), this);
    remove_->setObjectName("remove");
    adding->addWidget(remove_);
    layout->addLayout(adding);

    refusal_ = new QLabel(this);
    refusal_->setObjectName("refusal");
    refusal_->setWordWrap(true);
    layout->addWidget(refusal_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    layout->addWidget(buttons);

    connect(add_, &QPushButton::clicked, this, &BreakpointsDialog::add);
    // Enter in the line adds what it holds rather than closing the list.
    connect(typed_, &QLineEdit::returnPressed, this, &BreakpointsDialog::add);
    connect(remove_, &QPushButton::clicked, this, &BreakpointsDialog::remove);
    connect(typed_, &QLineEdit::textChanged, this,
            [this](const QString& text) { add_->setEnabled(!text.trimmed().isEmpty()); });
    connect(list_, &QTreeWidget::itemSelectionChanged, this,
            [this] { remove_->setEnabled(!list_->selectedItems().isEmpty()); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    add_->setEnabled(false);
    add_->setAutoDefault(false);
    remove_->setAutoDefault(false);
    show_rows();
    typed_->setFocus(Qt::OtherFocusReason);
}

void BreakpointsDialog::add() {
    if (typed_->text().trimmed().isEmpty()) return;
    const std::string refusal = requests_.add(typed_->text().toStdString());
    refusal_->setText(from_utf8(refusal));
    // A refused text stays to be corrected; an added one makes room for the next.
    if (refusal.empty()) typed_->clear();
    show_rows();
}

void BreakpointsDialog::remove() {
    const QList<QTreeWidgetItem*> selected = list_->selectedItems();
    if (selected.isEmpty()) return;
    requests_.remove(static_cast<std::size_t>(list_->indexOfTopLevelItem(selected.front())));
    refusal_->clear();
    show_rows();
}

void BreakpointsDialog::show_rows() {
    list_->clear();
    for (const BreakpointRow& row : requests_.rows()) {
        list_->addTopLevelItem(new QTreeWidgetItem(
            QStringList{from_utf8(row.place), from_utf8(row.address), from_utf8(row.symbol)}));
    }
    for (int column = 0; column < list_->columnCount(); ++column)
        list_->resizeColumnToContents(column);
    remove_->setEnabled(false);
}

void BreakpointEditorAdapter::edit(BreakpointRequests& requests) {
    if (!gate_.may_show()) return;
    QPointer<BreakpointsDialog> dialog = new BreakpointsDialog(&parent_, requests);
    dialog->exec();
    // The dialog is gone if its parent was destroyed while it was open.
    delete dialog.data();
}

}  // namespace halvane::qt
