#include "qt/serial_port_dialog.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "qt_adapters/serial_port_list.h"
#include "qt_adapters/text_encoding.h"
#include "qt_adapters/user_settings.h"

namespace halvane::qt {

namespace {
enum Column { kDevice, kDescription };
}  // namespace

SerialPortDialog::SerialPortDialog(QWidget* parent, const std::vector<SerialPortListing>& ports,
                                   const QString& current)
    : QDialog(parent) {
    setObjectName("SerialPortPicker");
    setWindowTitle(QStringLiteral("Serial Port"));
    auto* layout = new QVBoxLayout(this);

    auto* intro = new QLabel(ports.empty() ? QStringLiteral("This system knows no serial ports.")
                                           : QStringLiteral("The serial ports this system knows:"),
                             this);
    layout->addWidget(intro);

    list_ = new QTreeWidget(this);
    list_->setObjectName("ports");
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setHeaderLabels({QStringLiteral("Device"), QStringLiteral("Description")});
    for (const SerialPortListing& port : ports) {
        auto* item = new QTreeWidgetItem(list_, QStringList{QFile::decodeName(port.device.c_str()),
                                                            from_utf8(port.description)});
        if (item->text(kDevice) == current) {
            list_->setCurrentItem(item);
            item->setSelected(true);
        }
    }
    for (int col : {kDevice, kDescription}) list_->resizeColumnToContents(col);
    list_->setMinimumWidth(list_->header()->length() + 40);
    layout->addWidget(list_);

    auto* form = new QFormLayout;
    device_ = new QLineEdit(current, this);
    device_->setObjectName("device");
    form->addRow(QStringLiteral("&Device:"), device_);
    layout->addLayout(form);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setText(QStringLiteral("&Open"));

    // Selection, not the current row: the list makes its first row current when it takes the
    // focus, which must not replace a device that is not listed.
    connect(list_, &QTreeWidget::itemSelectionChanged, this, [this] {
        const QList<QTreeWidgetItem*> selected = list_->selectedItems();
        if (!selected.isEmpty()) device_->setText(selected.front()->text(kDevice));
    });
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        device_->setText(item->text(kDevice));
        accept();
    });
    connect(device_, &QLineEdit::textChanged, this,
            [ok](const QString& text) { ok->setEnabled(!text.trimmed().isEmpty()); });
    ok->setEnabled(!current.trimmed().isEmpty());
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    list_->setFocus(Qt::OtherFocusReason);
}

QString SerialPortDialog::device() const {
    return device_->text().trimmed();
}

void SerialPortPickerAdapter::remember(std::string_view device) {
    remember_serial_port(device);
}

std::vector<SerialPortListing> SerialPortPickerAdapter::ports() {
    return available_serial_ports();
}

std::optional<std::string> SerialPortPickerAdapter::choose(
    const std::vector<SerialPortListing>& ports, std::string_view current) {
    if (!gate_.may_show()) return std::nullopt;
    QPointer<SerialPortDialog> dialog = new SerialPortDialog(
        &parent_, ports,
        QFile::decodeName(QByteArray(current.data(), static_cast<qsizetype>(current.size()))));
    const bool accepted = dialog->exec() == QDialog::Accepted;
    // The dialog may be gone if its parent was destroyed while it was open.
    if (dialog.isNull()) return std::nullopt;
    std::optional<std::string> chosen;
    if (accepted && !dialog->device().isEmpty())
        chosen = QFile::encodeName(dialog->device()).toStdString();
    delete dialog.data();
    return chosen;
}

}  // namespace halvane::qt
