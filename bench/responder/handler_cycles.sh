#!/bin/sh
# How long the responder runs, from a trace of the simulated board:
#   boardsim --trace TRACE ...   (or: getall_bench --example-rows --trace TRACE,
#                                 or: bench/responder/trace_load.sh BOARDSIM PROGRAM TRACE)
#   bench/responder/handler_cycles.sh TRACE              the SCI interrupt handler
#   bench/responder/handler_cycles.sh --call ADDR TRACE  the subroutine at hex ADDR, e.g. the
#                                     polling responder's resp_poll (m68hc11-nm PROGRAM.elf)
#
# A run of the handler starts with the interrupt entry (14 E cycles, not traced) before the
# first instruction at the SCI pseudo-vector 00C4 and ends with its RTI (12 cycles). Runs that
# follow each other with no instruction of the program between them (a reply's transmit
# interrupt straight after the receive interrupt) make one stretch with interrupts masked.
# Prints the longest run and the longest masked stretch in E cycles (2 MHz: 0.5 us each).
#
# A call starts with the JSR or BSR (the instruction traced before ADDR) and ends with the RTS
# (5 cycles) that leaves ADDR's level of the stack. Prints the longest call in E cycles.
#
# Both print the most stack bytes used, counted from the stack pointer the program had: for
# the handler the 9 bytes the processor stacks are included, for a call its return address.
set -eu
call=""
if [ $# -eq 3 ] && [ "$1" = "--call" ]; then
    call=$(printf '%04X' "0x$2")
    shift 2
fi
[ $# -eq 1 ] || { echo "usage: $0 [--call ADDR] TRACE" >&2; exit 2; }
awk -v call="$call" '
function cycle_of(line,    i) {
    i = index(line, "cyc=")
    return substr(line, i + 4) + 0
}
function sp_of(line,    i, k, value) {
    i = index(line, "SP=") + 3
    value = 0
    for (k = 0; k < 4; k++)
        value = value * 16 + index("0123456789ABCDEF", substr(line, i + k, 1)) - 1
    return value
}
function deepest(bytes) {
    if (bytes > most_stack) most_stack = bytes
}
call != "" {
    pc = $1
    cyc = cycle_of($0)
    sp = sp_of($0)
    if (!inside && pc == call) {
        inside = 1
        start = previous_cyc
        entry_sp = sp
        runs++
    }
    if (inside) {
        deepest(entry_sp + 2 - sp)
        if ($2 == "39" && sp == entry_sp) {
            run = cyc + 5 - start
            if (run > longest_run) longest_run = run
            total += run
            inside = 0
        }
    }
    previous_cyc = cyc
    next
}
{
    pc = $1
    opcode = $2
    cyc = cycle_of($0)
    if (pc == "00C4") {
        start = cyc - 14
        if (!(after_rti && cyc - 14 == last_end)) stretch_start = start
        inside = 1
        entry_sp = sp_of($0) + 9
        runs++
    } else if (after_rti) {
        stretch = last_end - stretch_start
        if (stretch > longest_stretch) longest_stretch = stretch
    }
    after_rti = 0
    if (inside) deepest(entry_sp - sp_of($0))
    if (inside && opcode == "3B") {
        last_end = cyc + 12
        run = last_end - start
        if (run > longest_run) longest_run = run
        total += run
        inside = 0
        after_rti = 1
    }
}
END {
    if (call != "") {
        if (runs == 0) { printf "no call of %s in the trace\n", call; exit 1 }
        printf "calls of %s: %d, longest %d E cycles (%.1f us), mean %.1f E cycles\n",
               call, runs, longest_run, longest_run / 2, total / runs
        printf "most stack used by a call: %d bytes\n", most_stack
        exit 0
    }
    if (after_rti) {
        stretch = last_end - stretch_start
        if (stretch > longest_stretch) longest_stretch = stretch
    }
    if (runs == 0) { print "no run of the SCI handler (00C4) in the trace"; exit 1 }
    printf "SCI handler: %d runs, longest %d E cycles (%.1f us), mean %.1f E cycles\n",
           runs, longest_run, longest_run / 2, total / runs
    printf "longest stretch with interrupts masked by it: %d E cycles (%.1f us)\n",
           longest_stretch, longest_stretch / 2
    printf "most stack used by a run: %d bytes\n", most_stack
}' "$1"
