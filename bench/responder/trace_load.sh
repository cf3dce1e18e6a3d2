#!/bin/sh
# A trace of the simulated board running a program under the watch window's load:
#   bench/responder/trace_load.sh BOARDSIM PROGRAM.s19 TRACE [ROUNDS]
# Starts BOARDSIM (build/tools/boardsim/boardsim) with --trace TRACE, downloads PROGRAM.s19 and
# starts it as a user at a terminal would, then ROUNDS times (default 20) reads like Get All
# over the example's rows (2402-2405, 102B, 102D; each request once the previous reply is in)
# and makes a block read of 32 bytes from 2402 and one from FFF0 (across the end of memory).
# Prints how many replies came back; bench/responder/handler_cycles.sh then measures the
# responder in TRACE.
set -eu
[ $# -ge 3 ] || { echo "usage: $0 BOARDSIM PROGRAM.s19 TRACE [ROUNDS]" >&2; exit 2; }
boardsim=$1
program=$2
trace=$3
rounds=${4:-20}
work=$(mktemp -d)
"$boardsim" --trace "$trace" --fast-load >"$work/device" &
board=$!
reader=""
stop() {
    [ -z "$reader" ] || kill "$reader" 2>/dev/null || true
    kill "$board" 2>/dev/null || true
    wait "$board" 2>/dev/null || true
    rm -rf "$work"
}
trap stop EXIT
while [ ! -s "$work/device" ]; do sleep 0.05; done
device=$(head -n 1 "$work/device")
stty -F "$device" 9600 raw -echo  # the monitor's rate after a reset
exec 3<>"$device"
cat <&3 >"$work/received" &
reader=$!

# The monitor's dialogue; its characters arrive at 9600 baud, about 1 ms each.
printf '\r' >&3
sleep 0.3
printf 'load t\r' >&3
sed 's/\r$//' "$program" | tr '\n' '\r' >&3
sleep "$(($(wc -c <"$program") / 900 + 1))"
printf 'go 2400\r' >&3
sleep 0.5

# The replies (9 and 70 characters on the wire with their requests) take about 10 and 80 ms.
round=0
while [ "$round" -lt "$rounds" ]; do
    for address in 2402 2403 2404 2405 102B 102D; do
        printf '*%s' "$address" >&3
        sleep 0.012
    done
    printf '#240220' >&3
    sleep 0.09
    printf '#FFF020' >&3
    sleep 0.09
    round=$((round + 1))
done
sleep 0.2
echo "replies: $(tr -cd '@' <"$work/received" | wc -c) (expected $((rounds * 8)))"
