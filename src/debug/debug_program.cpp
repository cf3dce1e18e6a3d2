#include "debug/debug_program.h"

#include <filesystem>
#include <utility>

#include "srecord/srecord.h"
#include "symbols/program_lines.h"
#include "viewer/companion_file.h"

namespace halvane {

namespace {

std::string listing_text(const std::string& path) {
    CompanionFile file = read_companion_file(path);
    if (file.status != CompanionFile::Status::kLoaded || file.rich) return {};
    return std::move(file.plain_text);
}

// The line table names the main source as the assembler was given it ("./counter.s"): the file
// of a row that places a line of the main source where the listing has it.
std::string main_source_name(const ListingAddressMap& map, const LineTable& table) {
    for (const SourceLine& row : table.rows) {
        const auto line = map.line_of(row.address);
        if (!line || map.included_file(*line)) continue;
        const auto source = map.source_of(*line);
        if (source && source->line == row.line)
            return std::filesystem::path(row.file).filename().string();
    }
    return {};
}

}  // namespace

DebugProgram read_debug_program(std::string base_name) {
    DebugProgram program;
    const std::string elf = base_name + ".elf";
    const std::string elf_path = std::filesystem::exists(elf) ? elf : std::string();
    const ProgramLines lines = read_program_lines(elf_path);
    program.map = map_program_listing(listing_text(base_name + ".lst"), lines);
    program.source_name = main_source_name(program.map, lines.table);
    program.symbols = lines.symbols;
    if (const auto records = read_data_records(base_name + ".s19"))
        program.image = ProgramImage(*records);
    program.name = std::move(base_name);
    return program;
}

}  // namespace halvane
