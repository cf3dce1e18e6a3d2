#include "qt/user_settings.h"

#include <QFile>
#include <QSettings>
#include <memory>

namespace halvane::qt {

namespace {
constexpr const char* kPortKey = "serial_port";
constexpr const char* kBlockReadsKey = "block_reads";

std::unique_ptr<QSettings> user_settings() {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("halvane"), QStringLiteral("halvane"));
}
}  // namespace

std::string remembered_serial_port() {
    return QFile::encodeName(remembered_value(QLatin1String(kPortKey)).toString()).toStdString();
}

void remember_serial_port(std::string_view device) {
    remember_value(QLatin1String(kPortKey),
                   QFile::decodeName(QByteArray(device.data(), qsizetype(device.size()))));
}

std::string serial_port_to_open(const std::optional<std::string>& typed) {
    std::string port = typed ? *typed : remembered_serial_port();
    return port.empty() ? std::string(kFirstSerialPort) : port;
}

bool block_reads_allowed() {
    return remembered_value(QLatin1String(kBlockReadsKey), true).toBool();
}

void remember_block_reads_allowed(bool allowed) {
    remember_value(QLatin1String(kBlockReadsKey), allowed);
}

QVariant remembered_value(const QString& key, const QVariant& fallback) {
    return user_settings()->value(key, fallback);
}

void remember_value(const QString& key, const QVariant& value) {
    const std::unique_ptr<QSettings> settings = user_settings();
    settings->setValue(key, value);
    settings->sync();
}

}  // namespace halvane::qt
