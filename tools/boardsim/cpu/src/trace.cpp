#include "hc11/trace.h"

#include <cstdio>

namespace hc11 {

std::string format_trace(const TraceRecord& record) {
    char opcode[8];
    if (record.prefix != 0) {
        std::snprintf(opcode, sizeof opcode, "%02X %02X", record.prefix, record.opcode);
    } else {
        std::snprintf(opcode, sizeof opcode, "%02X", record.opcode);
    }
    char flags[9] = "SXHINZVC";
    for (int bit = 0; bit < 8; ++bit) {
        if ((record.regs.ccr & (0x80 >> bit)) == 0) flags[bit] = '-';
    }
    const Registers& r = record.regs;
    char line[128];
    std::snprintf(line, sizeof line,
                  "%04X  %-5s  A=%02X B=%02X X=%04X Y=%04X SP=%04X CCR=%02X %s cyc=%llu", record.pc,
                  opcode, r.a, r.b, r.x, r.y, r.sp, r.ccr, flags,
                  static_cast<unsigned long long>(record.cycle));
    return line;
}

}  // namespace hc11
