#include "drills/big_program.h"

#include <QFile>
#include <cstdio>
#include <string>

namespace halvane::drills {

bool write_big_program(const QString& path, int records) {
    std::string text;
    for (int r = 0; r < records; ++r) {
        const unsigned address = 0x2000u + 32u * static_cast<unsigned>(r);
        unsigned sum = 35 + (address >> 8) + (address & 0xFF);
        char field[8];
        std::snprintf(field, sizeof field, "S1%02X", 35u);
        text += field;
        std::snprintf(field, sizeof field, "%04X", address);
        text += field;
        for (unsigned i = 0; i < 32; ++i) {
            const unsigned byte = (address + i) & 0xFF;
            sum += byte;
            std::snprintf(field, sizeof field, "%02X", byte);
            text += field;
        }
        std::snprintf(field, sizeof field, "%02X\r\n", ~sum & 0xFFu);
        text += field;
    }
    text += "S9030000FC\r\n";
    QFile file(path);
    return file.open(QIODevice::WriteOnly) &&
           file.write(text.data(), static_cast<qint64>(text.size())) ==
               static_cast<qint64>(text.size());
}

}  // namespace halvane::drills
