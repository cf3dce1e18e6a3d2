#!/bin/sh
# The SCI interrupt handler's running time, from a trace of the simulated board:
#   boardsim --trace TRACE ...   (or: getall_bench --example-rows --trace TRACE)
#   bench/responder/handler_cycles.sh TRACE
# A run starts with the interrupt entry (14 E cycles, not traced) before the first
# instruction at the SCI pseudo-vector 00C4 and ends with its RTI (12 cycles). Runs that
# follow each other with no instruction of the program between them (a reply's transmit
# interrupt straight after the receive interrupt) make one stretch with interrupts masked.
# Prints the longest run and the longest masked stretch in E cycles (2 MHz: 0.5 us each).
set -eu
[ $# -eq 1 ] || { echo "usage: $0 TRACE" >&2; exit 2; }
awk '
function cycle_of(line,    i) {
    i = index(line, "cyc=")
    return substr(line, i + 4) + 0
}
{
    pc = $1
    opcode = $2
    cyc = cycle_of($0)
    if (pc == "00C4") {
        start = cyc - 14
        if (!(after_rti && cyc - 14 == last_end)) stretch_start = start
        inside = 1
        runs++
    } else if (after_rti) {
        stretch = last_end - stretch_start
        if (stretch > longest_stretch) longest_stretch = stretch
    }
    after_rti = 0
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
    if (after_rti) {
        stretch = last_end - stretch_start
        if (stretch > longest_stretch) longest_stretch = stretch
    }
    if (runs == 0) { print "no run of the SCI handler (00C4) in the trace"; exit 1 }
    printf "SCI handler: %d runs, longest %d E cycles (%.1f us), mean %.1f E cycles\n",
           runs, longest_run, longest_run / 2, total / runs
    printf "longest stretch with interrupts masked by it: %d E cycles (%.1f us)\n",
           longest_stretch, longest_stretch / 2
}' "$1"
