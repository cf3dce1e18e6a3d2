#include "qt_adapters/text_encoding.h"

#include <QStringDecoder>

namespace halvane::qt {

QString display_text(std::string_view bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QByteArrayView view(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QString decoded = decoder.decode(view);
    if (!decoder.hasError()) return decoded;
    return from_bytes(bytes);
}

}  // namespace halvane::qt
