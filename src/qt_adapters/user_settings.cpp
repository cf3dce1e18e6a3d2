#include "qt_adapters/user_settings.h"

#include <QFile>
#include <QSettings>
#include <memory>

namespace halvane::qt {

namespace {
constexpr const char* kPortKey = "serial_port";
constexpr const char* kBlockReadsKey = "block_reads";
constexpr const char* kFastLineKey = "fast_line";
constexpr const char* kFastestLineKey = "fast_line_125000";
constexpr const char* kWindowGeometryKey = "window/geometry";
constexpr const char* kWindowDividerKey = "window/divider";
constexpr const char* kColumnWidthsKey = "window/column_widths";

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

bool fast_line_allowed() {
    return remembered_value(QLatin1String(kFastLineKey), true).toBool();
}

void remember_fast_line_allowed(bool allowed) {
    remember_value(QLatin1String(kFastLineKey), allowed);
}

bool fastest_line_chosen() {
    return remembered_value(QLatin1String(kFastestLineKey), false).toBool();
}

void remember_fastest_line_chosen(bool chosen) {
    remember_value(QLatin1String(kFastestLineKey), chosen);
}

WindowLayoutMemory remembered_window_layout() {
    WindowLayoutMemory layout;
    const std::unique_ptr<QSettings> settings = user_settings();
    layout.geometry = settings->value(QLatin1String(kWindowGeometryKey)).toByteArray();
    layout.divider = settings->value(QLatin1String(kWindowDividerKey)).toByteArray();
    for (const QVariant& width : settings->value(QLatin1String(kColumnWidthsKey)).toList())
        layout.column_widths.append(width.toInt());
    return layout;
}

void remember_window_layout(const WindowLayoutMemory& layout) {
    QVariantList widths;
    for (const int width : layout.column_widths) widths.append(width);
    const std::unique_ptr<QSettings> settings = user_settings();
    settings->setValue(QLatin1String(kWindowGeometryKey), layout.geometry);
    settings->setValue(QLatin1String(kWindowDividerKey), layout.divider);
    settings->setValue(QLatin1String(kColumnWidthsKey), widths);
    settings->sync();
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
