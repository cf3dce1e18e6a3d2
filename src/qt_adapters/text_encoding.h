#pragma once

#include <QByteArray>
#include <QString>
#include <string>
#include <string_view>

namespace halvane::qt {

// The board speaks bytes; the receive buffer and the grid keep them unchanged. Latin-1
// maps every byte to one character and back, so a text survives a round trip through a
// widget byte for byte.
inline QString from_bytes(std::string_view bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// Characters outside Latin-1 become "?".
inline std::string to_bytes(const QString& text) {
    const QByteArray latin1 = text.toLatin1();
    return std::string(latin1.constData(), static_cast<std::size_t>(latin1.size()));
}

// Texts meant for people (messages, paths, status) travel as UTF-8.
inline QString from_utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string to_utf8(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return std::string(utf8.constData(), static_cast<std::size_t>(utf8.size()));
}

// How a byte text is shown: as UTF-8 when it is valid UTF-8 (a variable map written by
// an editor), otherwise one character per byte.
QString display_text(std::string_view bytes);

}  // namespace halvane::qt
