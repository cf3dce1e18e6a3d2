#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "platform/program_symbol.h"

namespace halvane {

// The modal list of a program's symbols for File > Import Symbols: name, address and size
// of each, code-section symbols marked as code, a filter box and a check box per symbol.
class SymbolPicker {
  public:
    virtual ~SymbolPicker() = default;
    // `marks` holds the initial check box of each symbol. Returns the check boxes as the
    // user confirmed them with OK (symbols hidden by the filter keep theirs), or
    // std::nullopt when cancelled.
    virtual std::optional<std::vector<bool>> choose(std::string_view program_path,
                                                    const std::vector<ProgramSymbol>& symbols,
                                                    std::vector<bool> marks) = 0;
};

}  // namespace halvane
