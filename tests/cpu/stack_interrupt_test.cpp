// The stack, SWI/WAI/RTI, IRQ and XIRQ, the illegal-opcode trap and STOP.
#include "cpu_fixture.h"

namespace hc11::testing {
namespace {

using StackAndInterrupts = CpuTest;

TEST_F(StackAndInterrupts, PushAndPullBytesAndWords) {
    r.a = 0x12;
    EXPECT_EQ(exec({0x36}), 3);  // PSHA
    EXPECT_EQ(board.read(0x01F0), 0x12);
    EXPECT_EQ(r.sp, 0x01EF);
    r.x = 0xABCD;
    EXPECT_EQ(exec({0x3C}), 4);  // PSHX: high byte ends at the lower address
    EXPECT_EQ(word_at(0x01EE), 0xABCD);
    EXPECT_EQ(exec({0x18, 0x38}), 6);  // PULY
    EXPECT_EQ(r.y, 0xABCD);
    EXPECT_EQ(exec({0x33}), 4);  // PULB
    EXPECT_EQ(r.b, 0x12);
    EXPECT_EQ(r.sp, 0x01F0);
}

TEST_F(StackAndInterrupts, StackPointerTransfersOffsetByOne) {
    EXPECT_EQ(exec({0x30}), 3);  // TSX
    EXPECT_EQ(r.x, 0x01F1);
    r.y = 0x0100;
    EXPECT_EQ(exec({0x18, 0x35}), 4);  // TYS
    EXPECT_EQ(r.sp, 0x00FF);
    EXPECT_EQ(exec({0x31}), 3);  // INS
    EXPECT_EQ(r.sp, 0x0100);
}

TEST_F(StackAndInterrupts, SoftwareInterruptStacksEverythingAndReturns) {
    r.a = 0x11;
    r.b = 0x22;
    r.x = 0x3344;
    r.y = 0x5566;
    r.ccr = ccr::N | ccr::C;
    EXPECT_EQ(exec({0x3F}), 14);  // SWI
    EXPECT_EQ(r.pc, pseudo_vector_for(vector::SWI));
    EXPECT_EQ(r.pc, 0x00F4);
    EXPECT_EQ(r.sp, 0x01F0 - 9);
    const std::vector<std::uint8_t> frame = {0x09, 0x22, 0x11, 0x33, 0x44, 0x55, 0x66, 0x24, 0x01};
    for (std::size_t i = 0; i < frame.size(); ++i) {
        EXPECT_EQ(board.read(static_cast<std::uint16_t>(0x01E8 + i)), frame[i]) << i;
    }
    EXPECT_TRUE(r.ccr & ccr::I);

    r.a = r.b = 0;
    r.x = r.y = 0;
    board.load(0x00F4, std::vector<std::uint8_t>{0x3B});  // RTI
    board.cpu().start_at(0x00F4);
    EXPECT_EQ(board.cpu().step(), 12);
    EXPECT_EQ(r.pc, 0x2401);
    EXPECT_EQ(r.ccr, ccr::N | ccr::C);
    EXPECT_EQ(r.a, 0x11);
    EXPECT_EQ(r.x, 0x3344);
    EXPECT_EQ(r.y, 0x5566);
    EXPECT_EQ(r.sp, 0x01F0);
}

TEST_F(StackAndInterrupts, ReturnFromInterruptCannotSetX) {
    r.ccr = ccr::X;
    exec({0x3F});  // stacks CCR with X set
    r.ccr = 0;     // X cleared meanwhile
    exec({0x3B});
    EXPECT_EQ(r.ccr & ccr::X, 0);
}

TEST_F(StackAndInterrupts, IrqWaitsForTheMaskToClear) {
    board.load(code_address, std::vector<std::uint8_t>{0x01, 0x0E, 0x01});  // NOP CLI NOP
    board.cpu().start_at(code_address);
    r.ccr = ccr::I;
    board.set_irq(true);
    EXPECT_EQ(board.cpu().step(), 2);  // NOP: masked
    EXPECT_EQ(board.cpu().step(), 2);  // CLI
    EXPECT_EQ(board.cpu().step(), Cpu::interrupt_cycles);
    EXPECT_EQ(r.pc, 0x00EE);
    EXPECT_EQ(word_at(0x01F0 - 1), 0x2402);  // stacked PC: the instruction after CLI
    EXPECT_TRUE(r.ccr & ccr::I);
}

TEST_F(StackAndInterrupts, WaitStacksFirstThenTakesTheInterrupt) {
    EXPECT_EQ(exec({0x3E}), 14);  // WAI
    EXPECT_EQ(board.cpu().state(), CpuState::waiting);
    EXPECT_EQ(r.sp, 0x01F0 - 9);
    EXPECT_EQ(board.cpu().step(), 0);
    board.set_irq(true);
    EXPECT_EQ(board.cpu().step(), Cpu::wake_from_wait_cycles);
    EXPECT_EQ(board.cpu().state(), CpuState::running);
    EXPECT_EQ(r.pc, 0x00EE);
    EXPECT_EQ(r.sp, 0x01F0 - 9);  // nothing stacked twice
}

TEST_F(StackAndInterrupts, XirqIsMaskedOnlyByX) {
    r.ccr = ccr::X | ccr::I;
    board.set_xirq(true);
    EXPECT_EQ(exec({0x01}), 2);
    r.ccr = ccr::I;
    EXPECT_EQ(board.cpu().step(), Cpu::interrupt_cycles);
    EXPECT_EQ(r.pc, pseudo_vector_for(vector::XIRQ));
    EXPECT_EQ(r.ccr & (ccr::X | ccr::I), ccr::X | ccr::I);
}

TEST_F(StackAndInterrupts, IllegalOpcodesTrapWithTheirOwnAddressStacked) {
    const std::vector<std::vector<std::uint8_t>> illegal = {
        {0x41}, {0x87}, {0x00}, {0x18, 0x01}, {0x18, 0x86}, {0x1A, 0x01}, {0xCD, 0x86},
    };
    for (const auto& code : illegal) {
        SCOPED_TRACE(code.back());
        r.sp = 0x01F0;
        board.load(code_address, code);
        board.cpu().start_at(code_address);
        EXPECT_EQ(board.cpu().step(), Cpu::interrupt_cycles);
        EXPECT_EQ(r.pc, pseudo_vector_for(vector::ILLEGAL_OPCODE));
        EXPECT_EQ(word_at(0x01EF), code_address);
    }
}

TEST_F(StackAndInterrupts, StopIsANopWhileSIsSet) {
    r.ccr = ccr::S;
    EXPECT_EQ(exec({0xCF}), 2);
    EXPECT_EQ(board.cpu().state(), CpuState::running);
    EXPECT_EQ(r.pc, 0x2401);
}

TEST_F(StackAndInterrupts, StopHaltsUntilIrq) {
    board.load(code_address, std::vector<std::uint8_t>{0xCF, 0x01});
    board.cpu().start_at(code_address);
    r.ccr = 0;
    const RunResult halted = board.run_cycles(1000);
    EXPECT_EQ(halted.reason, StopReason::stop_instruction);
    EXPECT_EQ(halted.cycles, 2u);
    EXPECT_EQ(board.cpu().state(), CpuState::stopped);

    board.set_irq(true);
    board.run_cycles(Cpu::interrupt_cycles);
    EXPECT_EQ(board.cpu().state(), CpuState::running);
    EXPECT_EQ(r.pc, 0x00EE);
}

TEST_F(StackAndInterrupts, UnhandledInterruptsAndSwiReturnToTheMonitor) {
    board.load(code_address, std::vector<std::uint8_t>{0x01, 0x3F});
    board.go(code_address);
    RunResult result = board.run_cycles(1000);
    EXPECT_EQ(result.reason, StopReason::monitor);
    EXPECT_EQ(result.cycles, 2u + 14u + 3u);  // NOP, SWI, the monitor's JMP
    EXPECT_EQ(describe_monitor_entry(result.address), "SWI");

    board.go(code_address);
    r.ccr = 0;
    board.set_irq(true);
    result = board.run_cycles(1000);
    EXPECT_EQ(describe_monitor_entry(result.address), "IRQ interrupt without a handler");
    EXPECT_EQ(describe_monitor_entry(0xE123), "jump into the monitor at E123");
}

}  // namespace
}  // namespace hc11::testing
