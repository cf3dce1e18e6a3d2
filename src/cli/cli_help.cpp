#include "cli/cli_help.h"

namespace halvane::cli {

std::string help_text(std::optional<Command> command) {
    if (!command) {
        return R"(Usage: halvane-cli COMMAND [OPTION...] [OPERAND...]
Downloads programs to a CME11E9 68HC11 board and reads, writes and watches the memory of the
running program, from a shell or a script.

Commands:
  ports                        the serial ports this system knows, one per line
  download PROGRAM.s19         check the program file, download it through the monitor, start it
  read WHAT...                 read memory: a line per WHAT
  write WHAT=VALUE...          write memory and read it back: a line per WHAT
  watch [WHAT...]              read over and over: a CSV line per sweep
  monitor LINE                 type LINE to the board's monitor and print its answer
  registers                    the registers of the program stopped at the monitor
  run-to WHAT                  run the program to WHAT, print its registers there
  map-from-symbols PROGRAM.elf a variable map of the program's symbols

WHAT is AAAA (the byte at that hexadecimal address), AAAA:w (the word there, high byte first)
or a name of the map given with --map MAP.csv or of the ELF file given with --elf PROGRAM.elf.
Without --port, the port chosen last in the window's File > Serial Port (at first /dev/ttyS0).
read, write and watch go through the program's responder while a program runs, and through
the monitor's md and mm when the board waits at its monitor (before a download, after a stop).

Exit status: 0 success, 1 a board or port failure, 2 a usage or input error,
130 a download interrupted by Ctrl-C.

halvane-cli COMMAND --help shows the options of a command, halvane-cli --version the version.
)";
    }
    switch (*command) {
        case Command::kPorts:
            return R"(Usage: halvane-cli ports
Prints the serial ports this system knows, one per line: the device, then a tab and what it
is where the system can tell (for a USB adapter also its latency timer).
)";
        case Command::kDownload:
            return R"(Usage: halvane-cli download [--port DEVICE] [--force] [--reset-prompt] PROGRAM.s19
Checks the program file, then types it to the board's monitor as File > Open does (an empty
line, "load t", the file, then after the monitor's end-of-load line and prompt two empty lines
and "go 2400"). The monitor must wait at its prompt: press Reset on the board first.

  --port DEVICE   the board's serial port (default: the port chosen last in the window)
  --force         download a file with bad records, bytes where the board has no RAM or no
                  S1 or S9 record anyway, unchanged (without it such a file is refused)
  --reset-prompt  first ask to press Reset on the board and Enter

Exit status: 0 the monitor confirmed the load; 1 it reported an error, did not confirm the
load within 3 s, or the port failed; 2 the file was refused or cannot be read; 130 Ctrl-C
cancelled the download (press Reset before the next one).
)";
        case Command::kRead:
            return R"(Usage: halvane-cli read [--port DEVICE] [--map MAP.csv | --elf PROGRAM.elf] WHAT...
Reads each WHAT (from the running program's responder, or with the monitor's md and mm when
the board waits at its monitor) and prints a line for it: the WHAT, the
address, the hexadecimal value and the decimal value, separated by tabs. A WHAT that got no
reply within 1 s has both values empty, and the exit status is 1.

  --port DEVICE      the board's serial port (default: the port chosen last in the window)
  --map MAP.csv      names are Descriptions of the map's rows (a word where the Flag has W)
  --elf PROGRAM.elf  names are symbols of the program (1 byte, or 2 for a word)

WHAT is AAAA (a byte), AAAA:w (a word, high byte first) or a name.
)";
        case Command::kWrite:
            return R"(Usage: halvane-cli write [--port DEVICE] [--map MAP.csv | --elf PROGRAM.elf] [--decimal]
                         WHAT=VALUE...
Writes each VALUE, reads it back and prints the read-back line as read does. VALUE is two
hexadecimal digits for a byte, four for a word. The exit status is 1 when a read-back differs
from the value written or got no reply.

  --port DEVICE      the board's serial port (default: the port chosen last in the window)
  --map MAP.csv      names are Descriptions of the map's rows (a word where the Flag has W)
  --elf PROGRAM.elf  names are symbols of the program (1 byte, or 2 for a word)
  --decimal          VALUE is a decimal number (0 to 255 for a byte, 0 to 65535 for a word)

WHAT is AAAA (a byte), AAAA:w (a word, high byte first) or a name; the split is at the last =.
)";
        case Command::kWatch:
            return R"(Usage: halvane-cli watch [--port DEVICE] [--map MAP.csv | --elf PROGRAM.elf]
                         [--interval SECONDS] [--duration SECONDS | --sweeps N]
                         [--no-fast-line | --fast-line-rate BAUD] [--verbose] [WHAT...]
Reads the WHATs over and over as Watch > Live Refresh does and writes the lines of Watch >
Record to File to standard output, one per sweep as it completes: the seconds since the start,
the local time, then each WHAT's hexadecimal and decimal value (both empty when its read got
no reply). Without WHATs, every named row of the map or every data symbol of the program.
It runs until the duration has passed, the sweeps are done or Ctrl-C; each ends with status 0.
Once block reads work, the line goes to 62 500 baud with a program whose responder agrees (the
interrupt-driven one), and back to 9600 when anything goes wrong and at the end ("=30").

  --port DEVICE        the board's serial port (default: the port chosen last in the window)
  --map MAP.csv        names are Descriptions of the map's rows (a word where the Flag has W)
  --elf PROGRAM.elf    names are symbols of the program (1 byte, or 2 for a word)
  --interval SECONDS   from the start of one sweep to the start of the next (default 0: as
                       fast as the line allows)
  --duration SECONDS   stop after this time
  --sweeps N           stop after N sweeps
  --no-fast-line       stay at 9600 baud
  --fast-line-rate BAUD  the fast line's rate: 62500 (default) or 125000
  --verbose            say the line's rate on standard error ("line: 62 500 baud")
)";
        case Command::kMonitor:
            return R"(Usage: halvane-cli monitor [--port DEVICE] LINE
Types LINE and a CR at the prompt of the board's monitor (after Ctrl-X, which clears what the
line held) and prints the monitor's answer up to its next prompt, without the echo of LINE and
without the NULs the monitor pads its lines with. Several operands are joined by spaces, so
"halvane-cli monitor md 2400" is "md 2400". A LINE that lets the program run (g, go, p) prints
nothing. LINE must not be empty: a bare CR would repeat the monitor's last command.

  --port DEVICE   the board's serial port (default: the port chosen last in the window)

Exit status: 0 the monitor answered; 1 it did not (a program runs, or no board), or the port
failed; 2 LINE is empty.
)";
        case Command::kRegisters:
            return R"(Usage: halvane-cli registers [--port DEVICE]
Prints the processor's registers as the monitor's rm shows them (then ends rm with Ctrl-X),
while the board waits at its monitor or a program is stopped there:
P=2424 Y=0000 X=2456 A=00 B=01 C=C4 S=01FF

  --port DEVICE   the board's serial port (default: the port chosen last in the window)

Exit status: 0 printed; 1 the monitor did not answer (a program runs, or no board), or the
port failed.
)";
        case Command::kRunTo:
            return R"(Usage: halvane-cli run-to [--port DEVICE] [--elf PROGRAM.elf] [--timeout SECONDS] WHAT
Sets a breakpoint at WHAT (an address of 1 to 4 hexadecimal digits, or a symbol of the program
given with --elf), lets the program go on, waits for it to stop there, prints its registers as
"registers" does and takes the breakpoint out; the program stays stopped. A running program is
first paused through its responder ("%%"); one stopped at the monitor goes on from P, and a
board fresh from reset starts the program at 2400.
When the program does not get there in time it is paused, the breakpoint taken out and the
program let go on. A responder that does not know "%%" cannot be paused: then the command
fails before it sets anything, or, past the time-out, says the breakpoint is still set.

  --port DEVICE        the board's serial port (default: the port chosen last in the window)
  --elf PROGRAM.elf    WHAT may be a symbol of the program
  --timeout SECONDS    how long to wait for the stop (default 10)

Exit status: 0 stopped at WHAT; 1 not in time, another stop, no pause, or the port failed;
2 WHAT is neither an address nor a symbol.
)";
        case Command::kMapFromSymbols:
            return R"(Usage: halvane-cli map-from-symbols PROGRAM.elf [--all-symbols]
Writes a variable map of the data symbols of PROGRAM.elf (the linked program) to standard
output, as the window's File > Save writes it.

  --all-symbols  add the symbols in code sections
)";
    }
    return {};
}

}  // namespace halvane::cli
