#pragma once

#include <QDialog>
#include <QString>
#include <QWidget>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/serial_port_picker.h"
#include "qt/dialog_gate.h"

class QLineEdit;
class QTreeWidget;

namespace halvane::qt {

// File > Serial Port's list: one row per port (Device, Description) with the current one
// selected, and the device to open as a line of its own, which a click on a row fills and
// which takes any name --port takes (a /dev/serial/by-id name, a pseudo-terminal). A
// double-click on a row chooses it. Object names: "SerialPortPicker", "ports", "device".
class SerialPortDialog : public QDialog {
    Q_OBJECT

  public:
    SerialPortDialog(QWidget* parent, const std::vector<SerialPortListing>& ports,
                     const QString& current);

    QString device() const;

  private:
    QTreeWidget* list_ = nullptr;
    QLineEdit* device_ = nullptr;
};

class SerialPortPickerAdapter : public SerialPortPicker {
  public:
    SerialPortPickerAdapter(QWidget& parent, const DialogGate& gate)
        : parent_(parent), gate_(gate) {}

    std::vector<SerialPortListing> ports() override;
    std::optional<std::string> choose(const std::vector<SerialPortListing>& ports,
                                      std::string_view current) override;
    void remember(std::string_view device) override;

  private:
    QWidget& parent_;
    const DialogGate& gate_;
};

}  // namespace halvane::qt
