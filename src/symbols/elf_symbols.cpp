#include "symbols/elf_symbols.h"

#include <gelf.h>
#include <libelf.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <utility>

#include "text/whole_file.h"

namespace halvane {

namespace {

using Status = SymbolFile::Status;

constexpr std::uint64_t kAddressSpace = 0x10000;

struct ElfCloser {
    void operator()(Elf* elf) const { elf_end(elf); }
};
using ElfHandle = std::unique_ptr<Elf, ElfCloser>;

struct Section {
    std::uint64_t start = 0;
    std::uint64_t end = 0;
    bool has_addresses = false;  // loaded into the target's memory
    bool writable_data = false;
};

// A symbol as the table holds it, before anything is left out.
struct RawSymbol {
    std::string_view name;
    std::uint64_t value = 0;
    std::uint64_t size = 0;
    std::size_t section = 0;
    bool listable = false;  // object or no type, in a loaded section, not hidden
};

SymbolFile failed(Status status, std::string error_text) {
    SymbolFile result;
    result.status = status;
    result.error_text = std::move(error_text);
    return result;
}

SymbolFile damaged(std::string_view subject) {
    const char* reason = elf_errmsg(-1);
    return failed(Status::kDamaged, std::string(subject) + " is a damaged ELF file (" +
                                        (reason != nullptr ? reason : "unknown fault") + ")");
}

bool libelf_ready() {
    static const bool ready = elf_version(EV_CURRENT) != EV_NONE;
    return ready;
}

// Where each section's symbols start, sorted, so that the next one after an address is found
// by a binary search.
std::vector<std::pair<std::size_t, std::uint64_t>> symbol_starts(
    const std::vector<RawSymbol>& all) {
    std::vector<std::pair<std::size_t, std::uint64_t>> starts;
    starts.reserve(all.size());
    for (const RawSymbol& symbol : all) starts.emplace_back(symbol.section, symbol.value);
    std::sort(starts.begin(), starts.end());
    return starts;
}

// Sizes recorded as 0 (plain assembler labels) become the distance to the next symbol
// of any kind in the same section, or to the section's end.
std::uint64_t inferred_size(const RawSymbol& symbol,
                            const std::vector<std::pair<std::size_t, std::uint64_t>>& starts,
                            const Section& section) {
    if (symbol.size != 0) return symbol.size;
    std::uint64_t next = section.end;
    const auto after =
        std::upper_bound(starts.begin(), starts.end(), std::pair{symbol.section, symbol.value});
    if (after != starts.end() && after->first == symbol.section)
        next = std::min(next, after->second);
    return next > symbol.value ? next - symbol.value : 0;
}

}  // namespace

bool is_hidden_symbol_name(std::string_view name) {
    if (name.empty() || name.front() == '.') return true;
    if (name.size() >= 2 && name[0] == 'L' && name[1] >= '0' && name[1] <= '9') return true;
    if (name.starts_with("__")) return true;
    static constexpr std::array<std::string_view, 10> kLinkerNames = {
        "_start", "_etext", "etext",  "_edata",        "edata",
        "_end",   "end",    "_stack", "_vectors_addr", "vectors_addr"};
    return std::find(kLinkerNames.begin(), kLinkerNames.end(), name) != kLinkerNames.end();
}

namespace {

// `subject` names the file in error texts.
SymbolFile read_symbols(std::string_view image, std::string_view subject) {
    if (image.size() < SELFMAG || std::memcmp(image.data(), ELFMAG, SELFMAG) != 0)
        return failed(Status::kNotElf, std::string(subject) + " is not an ELF file");
    if (!libelf_ready()) return failed(Status::kUnreadable, "The ELF library cannot be used");

    // libelf may convert the headers in place, so it gets its own copy.
    std::string copy(image);
    const ElfHandle elf(elf_memory(copy.data(), copy.size()));
    if (!elf || elf_kind(elf.get()) != ELF_K_ELF) return damaged(subject);
    GElf_Ehdr header;
    if (gelf_getehdr(elf.get(), &header) == nullptr) return damaged(subject);
    if (header.e_machine != EM_68HC11) {
        return failed(Status::kNotHc11,
                      std::string(subject) + " is an ELF file for another processor (machine " +
                          std::to_string(header.e_machine) + "), not a 68HC11 program");
    }
    std::size_t section_count = 0;
    if (elf_getshdrnum(elf.get(), &section_count) != 0) return damaged(subject);
    // libelf reads a file cut short as one without sections; the headers say otherwise.
    const std::uint64_t headers_end =
        header.e_shoff + std::uint64_t{header.e_shnum} * header.e_shentsize;
    if (header.e_shoff != 0 && (header.e_shoff > image.size() || headers_end > image.size())) {
        return failed(Status::kDamaged,
                      std::string(subject) + " is a damaged ELF file (it ends early)");
    }
    // Every section has a header in the file; a count beyond that is a damaged header.
    if (section_count > image.size() / sizeof(Elf32_Shdr)) return damaged(subject);

    std::vector<Section> sections(section_count);
    std::vector<Elf_Scn*> tables;
    for (Elf_Scn* scn = elf_nextscn(elf.get(), nullptr); scn != nullptr;
         scn = elf_nextscn(elf.get(), scn)) {
        GElf_Shdr shdr;
        if (gelf_getshdr(scn, &shdr) == nullptr) return damaged(subject);
        const std::size_t index = elf_ndxscn(scn);
        if (index >= sections.size()) return damaged(subject);
        Section& section = sections[index];
        section.start = shdr.sh_addr;
        section.end = shdr.sh_addr + shdr.sh_size;
        section.has_addresses = (shdr.sh_flags & SHF_ALLOC) != 0 && section.end >= section.start;
        section.writable_data =
            (shdr.sh_flags & SHF_WRITE) != 0 && (shdr.sh_flags & SHF_EXECINSTR) == 0;
        if (shdr.sh_type == SHT_SYMTAB) tables.push_back(scn);
    }

    std::vector<RawSymbol> raw;
    for (Elf_Scn* table : tables) {
        GElf_Shdr shdr;
        if (gelf_getshdr(table, &shdr) == nullptr) return damaged(subject);
        Elf_Data* data = elf_getdata(table, nullptr);
        if (data == nullptr) return damaged(subject);
        if (shdr.sh_entsize == 0) return damaged(subject);
        const std::uint64_t count = shdr.sh_size / shdr.sh_entsize;
        if (count > static_cast<std::uint64_t>(std::numeric_limits<int>::max()))
            return damaged(subject);
        for (std::uint64_t i = 0; i < count; ++i) {
            GElf_Sym sym;
            if (gelf_getsym(data, static_cast<int>(i), &sym) == nullptr) return damaged(subject);
            const int type = GELF_ST_TYPE(sym.st_info);
            // Section and file symbols mark no place of their own.
            if (type == STT_SECTION || type == STT_FILE) continue;
            const std::size_t index = sym.st_shndx;
            if (sym.st_shndx == SHN_UNDEF || sym.st_shndx >= SHN_LORESERVE ||
                index >= sections.size() || !sections[index].has_addresses)
                continue;
            const char* name = elf_strptr(elf.get(), shdr.sh_link, sym.st_name);
            if (name == nullptr) return damaged(subject);
            RawSymbol symbol{name, sym.st_value, sym.st_size, index, false};
            symbol.listable =
                (type == STT_OBJECT || type == STT_NOTYPE) && !is_hidden_symbol_name(symbol.name);
            raw.push_back(symbol);
        }
    }

    const auto starts = symbol_starts(raw);
    SymbolFile result;
    result.status = Status::kRead;
    for (const RawSymbol& symbol : raw) {
        if (!symbol.listable) continue;
        const Section& section = sections[symbol.section];
        if (symbol.value >= kAddressSpace || symbol.value < section.start ||
            symbol.value >= section.end)
            continue;
        const std::uint64_t size = inferred_size(symbol, starts, section);
        if (size == 0) continue;
        result.symbols.push_back(
            ProgramSymbol{std::string(symbol.name), static_cast<std::uint16_t>(symbol.value),
                          static_cast<std::uint32_t>(std::min<std::uint64_t>(size, kAddressSpace)),
                          !section.writable_data});
    }
    std::sort(result.symbols.begin(), result.symbols.end(),
              [](const ProgramSymbol& a, const ProgramSymbol& b) {
                  return a.address != b.address ? a.address < b.address : a.name < b.name;
              });
    return result;
}

}  // namespace

SymbolFile read_program_symbols(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec) && !ec)
        return failed(Status::kNoSuchFile, "There is no file " + path);
    const WholeFile file = read_whole_file(path, kElfFileLimit);
    if (file.status != WholeFile::Status::kRead)
        return failed(Status::kUnreadable, path + " cannot be read: " + file.error_text);
    return read_symbols(file.bytes, path);
}

SymbolFile read_elf_symbols(std::string_view image) {
    return read_symbols(image, "The file");
}

std::string no_data_symbols_text(const std::string& path) {
    return path + " holds no data symbols";
}

}  // namespace halvane
