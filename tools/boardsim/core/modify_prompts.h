#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "hc11/board.h"

namespace boardsim {

// The sub-prompts of mm and rm. Each shows a field and waits: a value typed in hexadecimal then
// a space stores it and shows the next field on the same line, a value then CR stores it and
// ends, a space alone moves on, CR alone ends. Everything typed that counts is echoed; other
// characters are ignored.
class ModifyPrompt {
  public:
    struct Reply {
        std::string text;  // the echo and what the prompt shows next
        bool finished = false;
    };

    virtual ~ModifyPrompt() = default;

    // What the prompt shows before anything is typed.
    virtual std::string opening() const = 0;
    Reply feed(std::uint8_t byte);

  protected:
    // Hexadecimal digits the field takes.
    virtual std::size_t width() const = 0;
    virtual void store(unsigned value) = 0;
    // Moves to the next field and shows it.
    virtual std::string next_field() = 0;

  private:
    std::string typed_;
};

// mm ADDR: "2402 00 ", then the bytes after it.
class MemoryModifyPrompt : public ModifyPrompt {
  public:
    MemoryModifyPrompt(hc11::Board& memory, std::uint16_t address)
        : memory_(memory), address_(address) {}
    std::string opening() const override;

  protected:
    std::size_t width() const override { return 2; }
    void store(unsigned value) override;
    std::string next_field() override;

  private:
    std::string value_shown() const;

    hc11::Board& memory_;
    std::uint16_t address_;
};

// rm [REGISTER]: the register line, then "P-2424 " (or the register asked for) on a new line;
// the next field after P is Y, then X, A, B, C, S and P again.
class RegisterModifyPrompt : public ModifyPrompt {
  public:
    static constexpr std::string_view kNames = "PYXABCS";

    // The field of the register `name` (one letter of kNames, in either case).
    static std::optional<std::size_t> field_named(std::string_view name);

    // Shows the register at `first_field` first.
    RegisterModifyPrompt(hc11::Registers& registers, std::size_t first_field)
        : registers_(registers), field_(first_field % kNames.size()) {}
    std::string opening() const override;

  protected:
    std::size_t width() const override;
    void store(unsigned value) override;
    std::string next_field() override;

  private:
    std::string field_shown() const;

    hc11::Registers& registers_;
    std::size_t field_ = 0;  // index into kNames
};

}  // namespace boardsim
