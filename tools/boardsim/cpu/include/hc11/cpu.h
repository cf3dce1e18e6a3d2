// The 68HC11 processor: registers, instruction execution with exact condition codes and cycle
// counts, and the interrupt sequence. Time is counted in E-clock cycles.
#pragma once

#include <cstdint>

#include "hc11/memory_map.h"
#include "hc11/registers.h"
#include "hc11/trace.h"

namespace hc11 {

enum class CpuState : std::uint8_t {
    running,
    waiting,  // after WAI: registers stacked, waiting for an interrupt
    stopped,  // after STOP with S clear: clocks halted until IRQ or XIRQ
};

class Cpu {
  public:
    // Cycles of the interrupt sequence: stacking nine bytes and fetching the vector, as for SWI.
    static constexpr int interrupt_cycles = 14;
    // Leaving WAI only fetches the vector; the registers were stacked by WAI itself.
    static constexpr int wake_from_wait_cycles = 2;

    explicit Cpu(MemoryMap& memory) : memory_(memory) {}

    // Power-on reset: CCR = S X I, PC from the reset vector, running.
    void reset();

    // Executes one instruction, or enters a pending interrupt, and returns the E-clock cycles
    // it took. Returns 0 when waiting (WAI) or stopped (STOP) with nothing to wake the processor.
    int step();

    // Lets idle time pass (WAI, or a host that skips ahead) without executing anything.
    void idle(std::uint64_t cycles) { cycles_ += cycles; }

    Registers& regs() { return r_; }
    const Registers& regs() const { return r_; }
    CpuState state() const { return state_; }
    std::uint64_t cycles() const { return cycles_; }

    // The highest-priority pending maskable interrupt's vector address, 0 when none is pending.
    // Its source stays pending until the program clears the flag behind it.
    void set_pending_vector(std::uint16_t vector_address) { pending_vector_ = vector_address; }
    std::uint16_t pending_vector() const { return pending_vector_; }
    // The XIRQ pin, asserted while true; masked by the X bit.
    void set_xirq(bool asserted) { xirq_ = asserted; }
    // Ends STOP: the host calls this when IRQ or XIRQ is asserted.
    void leave_stop() {
        if (state_ == CpuState::stopped) state_ = CpuState::running;
    }
    // Continues at `pc`, leaving any WAI or STOP, as the monitor's go command does.
    void start_at(std::uint16_t pc) {
        r_.pc = pc;
        state_ = CpuState::running;
    }

    void set_trace(TraceHandler handler) { trace_ = std::move(handler); }

  private:
    // Index-register and page selection of one prefixed or unprefixed opcode.
    enum class Page : std::uint8_t { one, two, three, four };

    std::uint8_t fetch8() { return memory_.read(r_.pc++); }
    std::uint16_t fetch16();
    std::uint16_t read16(std::uint16_t address);
    void write16(std::uint16_t address, std::uint16_t value);
    void push8(std::uint8_t value);
    void push16(std::uint16_t value);
    std::uint8_t pull8();
    std::uint16_t pull16();
    void push_all();
    void pull_all();
    int enter_interrupt(std::uint16_t vector_address, std::uint8_t mask_bits);
    int illegal_opcode(std::uint16_t opcode_address);
    void emit_trace(std::uint16_t pc);

    int execute_page1(std::uint8_t op, std::uint16_t at);
    int execute_prefixed(Page page, std::uint8_t op, std::uint16_t at);
    int execute_control(std::uint8_t op, Page page, std::uint16_t at);            // 00-3F
    int execute_read_modify_write(std::uint8_t op, Page page, std::uint16_t at);  // 40-7F
    int execute_memory_op(std::uint8_t op, Page page, std::uint16_t at);          // 80-FF
    int bit_instruction(std::uint8_t op, Page page);
    int branch(bool taken);

    MemoryMap& memory_;
    Registers r_;
    CpuState state_ = CpuState::running;
    std::uint64_t cycles_ = 0;
    std::uint16_t pending_vector_ = 0;
    bool xirq_ = false;
    TraceHandler trace_;
};

}  // namespace hc11
