#include "symbols/dwarf_lines.h"

#include <elfutils/libdw.h>
#include <gelf.h>
#include <libelf.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

namespace halvane {

namespace {

using Status = LineTable::Status;

constexpr Dwarf_Addr kAddressSpace = 0x10000;

struct ElfCloser {
    void operator()(Elf* elf) const { elf_end(elf); }
};
struct DwarfCloser {
    void operator()(Dwarf* dwarf) const { dwarf_end(dwarf); }
};

LineTable failed(Status status, std::string error_text) {
    LineTable table;
    table.status = status;
    table.error_text = std::move(error_text);
    return table;
}

LineTable damaged() {
    const char* reason = dwarf_errmsg(-1);
    return failed(Status::kDamaged, std::string("the program's line information is damaged (") +
                                        (reason != nullptr ? reason : "unknown fault") + ")");
}

LineTable no_line_information() {
    return failed(Status::kNoLineInformation,
                  "the program has no line information: assemble it with --gdwarf2");
}

bool has_line_section(Elf* elf) {
    std::size_t names = 0;
    if (elf_getshdrstrndx(elf, &names) != 0) return false;
    for (Elf_Scn* scn = elf_nextscn(elf, nullptr); scn != nullptr; scn = elf_nextscn(elf, scn)) {
        GElf_Shdr shdr;
        if (gelf_getshdr(scn, &shdr) == nullptr) return false;
        const char* name = elf_strptr(elf, names, shdr.sh_name);
        if (name != nullptr && std::strcmp(name, ".debug_line") == 0 && shdr.sh_size > 0)
            return true;
    }
    return false;
}

}  // namespace

LineTable read_line_table(std::string_view image) {
    if (elf_version(EV_CURRENT) == EV_NONE)
        return failed(Status::kDamaged, "the ELF library cannot be used");
    // libelf may convert the headers in place, so it gets its own copy.
    std::string copy(image);
    const std::unique_ptr<Elf, ElfCloser> elf(elf_memory(copy.data(), copy.size()));
    if (!elf || elf_kind(elf.get()) != ELF_K_ELF)
        return failed(Status::kDamaged, "the program is not an ELF file");
    // libelf reads a file cut short as one without sections, so without line information.
    GElf_Ehdr header;
    if (gelf_getehdr(elf.get(), &header) == nullptr ||
        header.e_shoff + std::uint64_t{header.e_shnum} * header.e_shentsize > image.size())
        return failed(Status::kDamaged, "the program's ELF file ends early");
    if (!has_line_section(elf.get())) return no_line_information();
    const std::unique_ptr<Dwarf, DwarfCloser> dwarf(
        dwarf_begin_elf(elf.get(), DWARF_C_READ, nullptr));
    if (!dwarf) return damaged();

    LineTable table;
    table.status = Status::kRead;
    Dwarf_Off offset = 0;
    Dwarf_Off next = 0;
    Dwarf_CU* unit = nullptr;
    Dwarf_Lines* lines = nullptr;
    std::size_t count = 0;
    int more = 0;
    // Each line program of .debug_line in turn, whether or not a unit in .debug_info names it.
    while ((more = dwarf_next_lines(dwarf.get(), offset, &next, &unit, nullptr, nullptr, &lines,
                                    &count)) == 0) {
        for (std::size_t i = 0; i < count; ++i) {
            Dwarf_Line* line = dwarf_onesrcline(lines, i);
            Dwarf_Addr address = 0;
            int number = 0;
            bool end_of_sequence = false;
            if (line == nullptr || dwarf_lineaddr(line, &address) != 0 ||
                dwarf_lineno(line, &number) != 0 ||
                dwarf_lineendsequence(line, &end_of_sequence) != 0)
                return damaged();
            if (end_of_sequence || address >= kAddressSpace || number <= 0) continue;
            const char* file = dwarf_linesrc(line, nullptr, nullptr);
            table.rows.push_back(
                {file != nullptr ? file : "", number, static_cast<std::uint16_t>(address)});
        }
        offset = next;
    }
    if (more < 0) return damaged();
    std::stable_sort(
        table.rows.begin(), table.rows.end(),
        [](const SourceLine& a, const SourceLine& b) { return a.address < b.address; });
    if (table.rows.empty()) return no_line_information();
    return table;
}

}  // namespace halvane
