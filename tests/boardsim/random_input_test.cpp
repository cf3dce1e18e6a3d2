#include <gtest/gtest.h>

#include <random>

#include "board_driver.h"

namespace boardsim {
namespace {

using namespace std::chrono_literals;

// Characters that matter to the monitor and the responder, mixed with anything at all.
std::string random_chunk(std::mt19937& random) {
    static const std::string kInteresting =
        "*!@FfS19 \r\n\b\x7Fload tgo 2400*FFFF0123456789ABCDEF#20";
    std::string chunk(random() % 64, '\0');
    for (char& c : chunk) {
        c = random() % 3 == 0 ? static_cast<char>(random() % 256)
                              : kInteresting[random() % kInteresting.size()];
    }
    if (random() % 8 == 0)
        chunk += "\rload t\r" + testing::s1_record(0x2400, "20FE") + "\rS9030000FC\rgo 2400\r";
    return chunk;
}

TEST(RandomInput, TheBoardNeverStallsAndItsQueuesDrain) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
        std::mt19937 random(seed);
        BoardConfig config;
        config.paced = seed % 2 == 0;
        // Every fourth board runs the downloaded loop on the processor.
        config.runner =
            seed % 4 == 0 ? ProgramRunner::kProcessor : ProgramRunner::kBuiltinResponder;
        config.counter_address = 0x2402;
        config.faults.garbage = seed % 3 == 0;
        config.faults.reply_delay = seed % 5 == 0 ? 3ms : 0ms;
        config.faults.corrupt_every = seed % 7 == 0 ? 5 : 0;
        testing::BoardDriver driver(config);
        driver.board().power_on(driver.now());
        std::size_t sent = 0;
        std::size_t received = 0;
        for (int round = 0; round < 200; ++round) {
            const std::string chunk = random_chunk(random);
            sent += chunk.size();
            received += driver.send(chunk).size();
            received += driver.wait(std::chrono::microseconds(random() % 5000)).size();
        }
        // Given time, every queued character is handled and the board goes quiet.
        received += driver.wait(60s).size();
        const auto next = driver.board().next_event();
        if (next) {
            // Only the program's next step may remain.
            EXPECT_EQ(driver.board().monitor().state(), Monitor::State::kRunning)
                << "seed " << seed;
            EXPECT_LE(*next - driver.now(), 100ms) << "seed " << seed;
        }
        EXPECT_GT(sent, 0u);
        EXPECT_GT(received, 0u) << "seed " << seed;
    }
}

}  // namespace
}  // namespace boardsim
