// The SCI: character timing at the programmed rate, the status flags and their clear sequences,
// overrun and the serial interrupts.
#include "cpu_fixture.h"

namespace hc11::testing {
namespace {

using Sci = CpuTest;

constexpr std::uint64_t character_at_9600 = 2080;  // 10 bits of 16 x 13 E cycles

// A program that idles: BRA *.
constexpr std::initializer_list<std::uint8_t> idle_loop = {0x20, 0xFE};

TEST_F(Sci, TransmitTakesOneCharacterTimeAt9600Baud) {
    EXPECT_EQ(board.sci().character_cycles(), character_at_9600);
    start_program({0xB6, 0x10, 0x2E,  // LDAA SCSR
                   0x86, 0x41,        // LDAA #'A'
                   0xB7, 0x10, 0x2F,  // STAA SCDR (starts at cycle 6)
                   0x20, 0xFE});
    board.run_cycles(40);
    EXPECT_EQ(board.read(0x102E) & 0xC0, 0x80);  // TDRE again, TC not yet
    board.run_cycles(character_at_9600 + 6 - 40 - 4);
    EXPECT_EQ(transmitted(), "");
    board.run_cycles(10);
    EXPECT_EQ(transmitted(), "A");
    EXPECT_EQ(board.read(0x102E) & 0xC0, 0xC0);
}

TEST_F(Sci, WriteWithoutReadingStatusFirstSendsNothing) {
    start_program({0x86, 0x41, 0xB7, 0x10, 0x2F, 0x20, 0xFE});
    board.run_cycles(3 * character_at_9600);
    EXPECT_EQ(transmitted(), "");
}

TEST_F(Sci, PolledTransmitSendsBackToBack) {
    start_program({0xCE, 0x24, 0x20,  // LDX #text
                   0xF6, 0x10, 0x2E,  // loop: LDAB SCSR
                   0xC5, 0x80,        // BITB #TDRE
                   0x27, 0xF9,        // BEQ loop
                   0xA6, 0x00,        // LDAA 0,X
                   0x27, 0x06,        // BEQ done
                   0xB7, 0x10, 0x2F,  // STAA SCDR
                   0x08,              // INX
                   0x20, 0xEF,        // BRA loop
                   0x20, 0xFE});      // done: BRA *
    board.load(0x2420, std::vector<std::uint8_t>{'H', 'I', '!', 0});
    board.run_cycles(2 * character_at_9600);
    EXPECT_EQ(transmitted(), "H");
    board.run_cycles(character_at_9600 + 100);
    EXPECT_EQ(transmitted(), "I!");
}

TEST_F(Sci, HeldProcessorsCharactersLeaveAtTheirOwnCycles) {
    // Two characters given to the SCI back to back: one shifting out, one waiting in SCDR.
    start_program({0xB6, 0x10, 0x2E, 0x86, 0x41, 0xB7, 0x10, 0x2F,  // 'A'
                   0xB6, 0x10, 0x2E, 0x86, 0x42, 0xB7, 0x10, 0x2F,  // 'B'
                   0x20, 0xFE});
    board.run_cycles(20);
    EXPECT_EQ(board.sci_program_characters_unsent(), (std::vector<std::uint8_t>{'A', 'B'}));
    const std::uint16_t pc = r.pc;
    std::vector<std::uint64_t> sent_at;
    board.set_transmit_handler([&](std::uint8_t) { sent_at.push_back(board.cycles()); });
    board.hold(3 * character_at_9600);
    EXPECT_EQ(sent_at,
              (std::vector<std::uint64_t>{6 + character_at_9600, 6 + 2 * character_at_9600}));
    EXPECT_EQ(r.pc, pc);  // nothing executed meanwhile
    EXPECT_EQ(board.cycles(), 20 + 3 * character_at_9600);
    EXPECT_TRUE(board.sci_program_characters_unsent().empty());
}

// The monitor's characters follow the program's, back to back, and the handler tells them apart.
TEST_F(Sci, TheMonitorsOutputQueuesBehindTheProgramsAndLeavesBackToBack) {
    start_program({0xB6, 0x10, 0x2E, 0x86, 0x41, 0xB7, 0x10, 0x2F, 0x20, 0xFE});  // sends 'A'
    board.run_cycles(10);
    board.sci_send('o');
    board.sci_send('k');
    EXPECT_EQ(board.sci_program_characters_unsent(), (std::vector<std::uint8_t>{'A'}));
    std::string sent;  // each character, then m for the monitor's or p for the program's
    std::vector<std::uint64_t> sent_at;
    board.set_transmit_handler([&](std::uint8_t byte) {
        sent += {static_cast<char>(byte), board.sci_sent_monitor_output() ? 'm' : 'p'};
        sent_at.push_back(board.cycles());
    });
    board.hold(3 * character_at_9600);
    EXPECT_EQ(sent, "Apomkm");
    EXPECT_EQ(sent_at, (std::vector<std::uint64_t>{6 + character_at_9600, 6 + 2 * character_at_9600,
                                                   6 + 3 * character_at_9600}));
    EXPECT_EQ(board.read(0x102E) & 0xC0, 0xC0);  // TDRE and TC: all gone
}

TEST_F(Sci, SlowerRatesStretchTheCharacter) {
    board.write(0x102B, 0x33);  // 1200 baud
    EXPECT_EQ(board.sci().character_cycles(), 8 * character_at_9600);
    board.write(0x102C, 0x10);  // M: nine data bits, eleven bits a character
    EXPECT_EQ(board.sci().character_cycles(), 8 * character_at_9600 / 10 * 11);
    board.write(0x102C, 0x00);
    start_program({0xB6, 0x10, 0x2E, 0x86, 0x41, 0xB7, 0x10, 0x2F, 0x20, 0xFE});
    board.write(0x102B, 0x33);
    board.run_cycles(8 * character_at_9600);
    EXPECT_EQ(transmitted(), "");
    board.run_cycles(100);
    EXPECT_EQ(transmitted(), "A");
}

TEST_F(Sci, ReceivedByteArrivesAfterOneCharacterTime) {
    start_program(idle_loop);
    board.sci_receive('x');
    board.run_cycles(character_at_9600 - 10);
    EXPECT_EQ(board.read(0x102E) & 0x20, 0);
    board.run_cycles(20);
    EXPECT_EQ(board.read(0x102E) & 0x20, 0x20);
    EXPECT_EQ(board.read(0x102F), 'x');
}

TEST_F(Sci, ReceiveFlagClearsOnlyAfterStatusThenData) {
    board.sci_receive('x');
    start_program({0xB6, 0x10, 0x2F,  // LDAA SCDR without reading SCSR
                   0x20, 0xFE});
    board.run_cycles(character_at_9600 + 10);
    board.go(code_address);
    board.run_cycles(10);
    EXPECT_EQ(board.read(0x102E) & 0x20, 0x20);

    // The host's look at SCSR does not count as the program's read.
    start_program({0xB6, 0x10, 0x2E, 0xB6, 0x10, 0x2F, 0x20, 0xFE});
    board.run_cycles(20);
    EXPECT_EQ(board.read(0x102E) & 0x20, 0);
    EXPECT_EQ(r.a, 'x');
}

TEST_F(Sci, HostTimedBytesArriveAtOnce) {
    start_program(idle_loop);
    board.sci_receive_complete('a');
    EXPECT_EQ(board.read(0x102E) & 0x28, 0x20);
    board.sci_receive_complete('b');
    EXPECT_EQ(board.read(0x102E) & 0x28, 0x28);
    EXPECT_EQ(board.read(0x102F), 'a');
}

TEST_F(Sci, HostTimedBytesCarryTheLinesErrorsUntilStatusThenData) {
    start_program({0xB6, 0x10, 0x2E, 0xB6, 0x10, 0x2F, 0x20, 0xFE});  // SCSR, SCDR, BRA *
    board.sci_receive_complete(0x00, sci_bits::FE);
    EXPECT_EQ(board.read(0x102E) & 0x2E, 0x22);  // RDRF and FE
    board.run_cycles(20);
    EXPECT_EQ(r.a, 0x00);
    EXPECT_EQ(board.read(0x102E) & 0x2E, 0);
    board.sci_receive_complete('n', sci_bits::NF);
    EXPECT_EQ(board.read(0x102E) & 0x2E, 0x24);  // RDRF and NF
    board.sci_receive_complete('c');             // overrun: the flags stay the first one's
    EXPECT_EQ(board.read(0x102E) & 0x2E, 0x2C);
}

TEST_F(Sci, TheHostLearnsTheRateTheProgramSet) {
    EXPECT_EQ(board.sci_character_cycles(), character_at_9600);
    EXPECT_NEAR(board.sci_bits_per_second(), 9615.4, 0.1);
    board.write(0x102B, 0x01);
    EXPECT_EQ(board.sci_character_cycles(), 320u);
    EXPECT_EQ(board.sci_bits_per_second(), 62500.0);
    board.write(0x102B, 0x00);
    EXPECT_EQ(board.sci_bits_per_second(), 125000.0);
}

TEST_F(Sci, OverrunKeepsTheFirstByteAndLosesTheNext) {
    start_program(idle_loop);
    board.sci_receive('1');
    board.sci_receive('2');
    board.run_cycles(2 * character_at_9600 + 10);
    EXPECT_EQ(board.read(0x102E) & 0x28, 0x28);  // RDRF and OR
    start_program({0xB6, 0x10, 0x2E, 0xB6, 0x10, 0x2F, 0x20, 0xFE});
    board.run_cycles(20);
    EXPECT_EQ(r.a, '1');
    EXPECT_EQ(board.read(0x102E) & 0x28, 0);
}

TEST_F(Sci, DisabledReceiverDropsBytes) {
    board.write(0x102D, 0x08);  // TE only
    start_program(idle_loop);
    board.sci_receive('x');
    board.run_cycles(2 * character_at_9600);
    EXPECT_EQ(board.read(0x102E) & 0x38, 0);
}

TEST_F(Sci, IdleLineIsFlaggedAfterACharacterOfSilence) {
    start_program(idle_loop);
    board.sci_receive('x');
    board.run_cycles(character_at_9600 + 10);
    EXPECT_EQ(board.read(0x102E) & 0x10, 0);
    board.run_cycles(character_at_9600);
    EXPECT_EQ(board.read(0x102E) & 0x10, 0x10);
}

TEST_F(Sci, ReceiveInterruptRunsTheInstalledHandler) {
    install_handler(vector::SCI, 0x2480);
    board.load(0x2480, std::vector<std::uint8_t>{0xB6, 0x10, 0x2E,  // LDAA SCSR
                                                 0xB6, 0x10, 0x2F,  // LDAA SCDR
                                                 0xB7, 0x30, 0x00,  // STAA $3000
                                                 0x7C, 0x30, 0x01,  // INC $3001
                                                 0x3B});            // RTI
    start_program({0x86, 0x2C,                                      // LDAA #RIE|TE|RE
                   0xB7, 0x10, 0x2D,                                // STAA SCCR2
                   0x0E,                                            // CLI
                   0x20, 0xFE});
    board.run_cycles(100);
    board.sci_receive('k');
    board.sci_receive('m');
    board.run_cycles(3 * character_at_9600);
    EXPECT_EQ(board.read(0x3000), 'm');
    EXPECT_EQ(board.read(0x3001), 2);
    EXPECT_EQ(board.read(0x102E) & 0x28, 0);
}

TEST_F(Sci, TransmitInterruptFeedsTheTransmitter) {
    // The handler sends the next character of the text, and turns TIE off at its end.
    install_handler(vector::SCI, 0x2480);
    board.load(0x2480, std::vector<std::uint8_t>{0xB6, 0x10, 0x2E,  // LDAA SCSR
                                                 0xFE, 0x25, 0x10,  // LDX next
                                                 0xA6, 0x00,        // LDAA 0,X
                                                 0x27, 0x08,        // BEQ off
                                                 0xB7, 0x10, 0x2F,  // STAA SCDR
                                                 0x08,              // INX
                                                 0xFF, 0x25, 0x10,  // STX next
                                                 0x3B,              // RTI
                                                 0x86, 0x0C,        // off: LDAA #TE|RE
                                                 0xB7, 0x10, 0x2D,  // STAA SCCR2
                                                 0x3B});            // RTI
    board.load(0x2500, std::vector<std::uint8_t>{'o', 'k', 0});
    board.load(0x2510, std::vector<std::uint8_t>{0x25, 0x00});  // next: the text
    start_program({0x86, 0x8C,                                  // LDAA #TIE|TE|RE
                   0xB7, 0x10, 0x2D,                            // STAA SCCR2
                   0x0E,                                        // CLI
                   0x20, 0xFE});
    board.run_cycles(4 * character_at_9600);
    EXPECT_EQ(transmitted(), "ok");
    EXPECT_EQ(board.read(0x102D), 0x0C);
}

}  // namespace
}  // namespace hc11::testing
