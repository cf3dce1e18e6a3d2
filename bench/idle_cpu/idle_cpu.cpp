// Starts halvane offscreen on a pseudo-terminal and reports what its idle window costs, over
// ten seconds: the CPU it uses in percent of one core, and how often it wakes up (its context
// switches, voluntary and not, summed over its threads, from /proc).
//
//   idle_cpu [seconds [halvane binary]]

#include <dirent.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace {

// User plus system time of a process, in clock ticks.
long long cpu_ticks(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return -1;
    // Fields after the command name, which is in brackets and may hold spaces.
    std::istringstream rest(line.substr(line.rfind(')') + 2));
    std::string field;
    long long utime = 0, stime = 0;
    for (int index = 3; rest >> field; ++index) {
        if (index == 14) utime = std::stoll(field);
        if (index == 15) {
            stime = std::stoll(field);
            break;
        }
    }
    return utime + stime;
}

// Context switches of every thread of a process so far.
long long context_switches(pid_t pid) {
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR* dir = ::opendir(tasks.c_str());
    if (dir == nullptr) return -1;
    long long total = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.') continue;
        std::ifstream status(tasks + "/" + entry->d_name + "/status");
        std::string line;
        while (std::getline(status, line)) {
            if (line.starts_with("voluntary_ctxt_switches:") ||
                line.starts_with("nonvoluntary_ctxt_switches:"))
                total += std::stoll(line.substr(line.find(':') + 1));
        }
    }
    ::closedir(dir);
    return total;
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    int master = -1, slave = -1;
    char name[256] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        std::perror("openpty");
        return 1;
    }
    ::close(slave);

    const pid_t child = ::fork();
    if (child == 0) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        const char* binary = argc > 2 ? argv[2] : HALVANE_BINARY;
        ::execl(binary, binary, "--port", name, static_cast<char*>(nullptr));
        std::perror("exec halvane");
        std::_Exit(127);
    }

    // Let start-up finish before measuring.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    int status = 0;
    if (::waitpid(child, &status, WNOHANG) != 0) {
        std::fprintf(stderr, "halvane ended during start-up\n");
        return 1;
    }
    const long long before = cpu_ticks(child);
    const long long switches_before = context_switches(child);
    const auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const long long after = cpu_ticks(child);
    const long long switches_after = context_switches(child);
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    ::kill(child, SIGTERM);
    ::waitpid(child, &status, 0);
    ::close(master);
    if (before < 0 || after < 0) {
        std::fprintf(stderr, "could not read the CPU time of halvane\n");
        return 1;
    }
    const double cpu_seconds = static_cast<double>(after - before) / ::sysconf(_SC_CLK_TCK);
    std::printf("idle window: %.2f%% of one core (%.2f s CPU in %.2f s; target <= 0.3%%)\n",
                100.0 * cpu_seconds / elapsed, cpu_seconds, elapsed);
    std::printf("wake-ups: %.1f a second (%lld context switches; target <= 20)\n",
                static_cast<double>(switches_after - switches_before) / elapsed,
                switches_after - switches_before);
    return 0;
}
