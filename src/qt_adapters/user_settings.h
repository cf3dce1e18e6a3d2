#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>
#include <optional>
#include <string>
#include <string_view>

namespace halvane::qt {

// What Halvane keeps between runs, in the user's settings (~/.config/halvane/halvane.conf).

// The port chosen last in File > Serial Port; empty when none was.
std::string remembered_serial_port();
void remember_serial_port(std::string_view device);

// The port opened when none was ever chosen: the first serial port.
inline constexpr const char* kFirstSerialPort = "/dev/ttyS0";
// The port a program opens, as the user named it: `typed` (--port) when given, else the port
// chosen last in File > Serial Port; the first serial port where that is empty.
std::string serial_port_to_open(const std::optional<std::string>& typed);

// Watch > Block Reads: whether the link may ask the program's responder for block reads
// (true unless the user turned it off).
bool block_reads_allowed();
void remember_block_reads_allowed(bool allowed);

// Watch > Fast Line: whether the link agrees a faster line with the program's responder (true
// unless the user turned it off), and whether at 125 000 baud rather than 62 500 (false unless
// the user chose it).
bool fast_line_allowed();
void remember_fast_line_allowed(bool allowed);
bool fastest_line_chosen();
void remember_fastest_line_chosen(bool chosen);

// The window as the user left it: its size and place (QWidget::saveGeometry), the divider
// between the grid and the viewer (QSplitter::saveState) and the column widths the user
// dragged (pixels, 0 where none was). Empty where none is kept.
struct WindowLayoutMemory {
    QByteArray geometry;
    QByteArray divider;
    QList<int> column_widths;
};
WindowLayoutMemory remembered_window_layout();
void remember_window_layout(const WindowLayoutMemory& layout);

// Any other value by its key; `fallback` where none is kept.
QVariant remembered_value(const QString& key, const QVariant& fallback = {});
void remember_value(const QString& key, const QVariant& value);

}  // namespace halvane::qt
