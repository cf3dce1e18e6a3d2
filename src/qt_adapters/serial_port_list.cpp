#include "qt_adapters/serial_port_list.h"

#include <QFile>
#include <QSerialPortInfo>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <string>

#include "link/usb_latency_timer.h"
#include "qt_adapters/text_encoding.h"

namespace halvane::qt {

std::vector<SerialPortListing> available_serial_ports() {
    QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    std::sort(ports.begin(), ports.end(), [](const QSerialPortInfo& a, const QSerialPortInfo& b) {
        return a.systemLocation() < b.systemLocation();
    });
    std::vector<SerialPortListing> listed;
    listed.reserve(static_cast<std::size_t>(ports.size()));
    for (const QSerialPortInfo& port : ports) {
        QStringList about;
        if (!port.description().isEmpty()) about << port.description();
        if (!port.manufacturer().isEmpty() && port.manufacturer() != port.description())
            about << port.manufacturer();
        if (!port.serialNumber().isEmpty())
            about << QStringLiteral("serial ") + port.serialNumber();
        const std::string device = QFile::encodeName(port.systemLocation()).toStdString();
        if (const auto timer = usb_latency_timer_ms(device))
            about << QStringLiteral("latency timer %1 ms").arg(*timer);
        listed.push_back({device, to_utf8(about.join(QStringLiteral(", ")))});
    }
    return listed;
}

void print_serial_ports(std::string_view program) {
    const std::vector<SerialPortListing> ports = available_serial_ports();
    for (const SerialPortListing& port : ports) {
        std::string line = port.device;
        if (!port.description.empty()) line += "\t" + port.description;
        std::printf("%s\n", line.c_str());
    }
    if (ports.empty()) {
        std::fprintf(stderr, "%.*s: no serial ports found\n", static_cast<int>(program.size()),
                     program.data());
    }
}

}  // namespace halvane::qt
