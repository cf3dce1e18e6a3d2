#pragma once

#include <QString>

namespace halvane::drills {

// Writes an S-record program of `records` data records of 32 bytes each, loaded from 2000
// hexadecimal up (up to 700 records stay in the board's RAM, so File > Open asks nothing):
// at 9600 baud the board needs far longer for it than a drill takes, so a drill can act while
// the download is under way.
bool write_big_program(const QString& path, int records);

}  // namespace halvane::drills
