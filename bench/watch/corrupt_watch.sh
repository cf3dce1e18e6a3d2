#!/usr/bin/env bash
# halvane-cli watch over the example's rows for a while on a board that spoils every 50th
# character it sends (boardsim --corrupt-every 50), at 9600 (--no-fast-line) and with the fast
# line, both at once on two boards: how many values were shown wrong (target 0) and the share of
# values refused (empty in the output). The counter is stopped first (run = 0), so every row has
# one right value, read at 9600 before the watch; BAUD may read 30 or 01 (9600 or 62 500 baud).
#
#   bench/watch/corrupt_watch.sh BUILD_DIR [SECONDS, default 180]
set -euo pipefail
build="$(cd "${1:?usage: corrupt_watch.sh BUILD_DIR [SECONDS]}" && pwd)"
seconds="${2:-180}"
root="$(cd "$(dirname "$0")/../.." && pwd)"
cli="$build/src/halvane-cli"
boardsim="$build/tools/boardsim/boardsim"
map="$root/examples/counter.csv"
work="$(mktemp -d)"
pids=()
trap 'kill "${pids[@]}" 2>/dev/null || true; rm -rf "$work"' EXIT

# Starts a board (here, not in a subshell, so that the trap stops it).
launch_board() {
    "$boardsim" --corrupt-every 50 >"$work/$1.board" 2>/dev/null &
    pids+=($!)
}

# Waits for a board's device, downloads the example, stops its counter; prints the device.
start_board() {
    local name="$1"
    local device=""
    for _ in $(seq 50); do
        device="$(head -n1 "$work/$name.board" 2>/dev/null || true)"
        [[ -n "$device" ]] && break
        sleep 0.1
    done
    for _ in 1 2 3; do "$cli" download --port "$device" "$root/examples/counter.s19" \
        >/dev/null 2>&1 && break; done
    for _ in 1 2 3 4 5; do "$cli" write --port "$device" --map "$map" run=0 >/dev/null 2>&1 \
        && break; done
    echo "$device"
}

# The right values, as "name value" lines: read at 9600 until two reads agree.
right_values() {
    local device="$1" before="" now=""
    for _ in $(seq 20); do
        now="$("$cli" read --port "$device" --map "$map" count step run SCCR2 2>/dev/null \
            | cut -f1,3 || true)"
        [[ -n "$now" && "$now" == "$before" && "$now" != *$'\t\n'* ]] && break
        before="$now"
    done
    echo "$now"
}

# Counts the values of a watch's CSV against the right ones.
score() {
    local csv="$1" right="$2" label="$3"
    python3 - "$csv" "$right" "$label" <<'PY'
import csv, sys
rows = list(csv.reader(open(sys.argv[1], newline="")))
right = dict(line.split("\t") for line in sys.argv[2].splitlines() if "\t" in line)
head, body = rows[0], rows[1:]
shown = wrong = refused = 0
for row in body:
    for i in range(2, len(head), 2):
        name = head[i][:-len(" hex")]
        value = row[i] if i < len(row) else ""
        if value == "":
            refused += 1
            continue
        shown += 1
        if name.startswith("BAUD"):
            ok = value in ("30", "01", "00")
        else:
            ok = right.get(name.split(":")[0], value) == value
        wrong += 0 if ok else 1
total = shown + refused
print(f"{sys.argv[3]}: {len(body)} sweeps, {shown} values shown, {wrong} wrong (target 0), "
      f"{refused} refused ({100.0 * refused / max(total, 1):.2f} %)")
PY
}

launch_board slow
launch_board fast
slow="$(start_board slow)"
fast="$(start_board fast)"
right_slow="$(right_values "$slow")"
right_fast="$(right_values "$fast")"
"$cli" watch --port "$slow" --map "$map" --duration "$seconds" --no-fast-line \
    >"$work/slow.csv" 2>"$work/slow.err" &
watch_slow=$!
"$cli" watch --port "$fast" --map "$map" --duration "$seconds" --verbose \
    >"$work/fast.csv" 2>"$work/fast.err" &
watch_fast=$!
wait "$watch_slow" "$watch_fast" || true
score "$work/slow.csv" "$right_slow" "9600 baud (--no-fast-line)"
score "$work/fast.csv" "$right_fast" "fast line"
echo "fast line's rates: $(tr '\n' ' ' <"$work/fast.err")"
