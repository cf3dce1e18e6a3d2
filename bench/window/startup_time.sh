#!/usr/bin/env bash
# The time from starting halvane to its window being mapped, under a virtual X display (Xvfb)
# against the simulated board: each run and the median. Needs xwininfo (x11-utils).
#
#   bench/window/startup_time.sh [BUILD_DIR] [RUNS]    (default: build/, 5 runs; target <= 0.3 s)
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
# shellcheck source=scripts/lib/start-boardsim.sh
source "$root/scripts/lib/start-boardsim.sh"
dir="${1:-$root/build}"
runs="${2:-5}"
command -v xwininfo >/dev/null || { echo "startup_time: needs xwininfo (apt-get install x11-utils)" >&2; exit 2; }

work="$(mktemp -d "${TMPDIR:-/tmp}/halvane-startup.XXXXXX")"
xvfb_pid=""
cleanup() {
  stop_boardsim
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# A display number nobody uses; other scripts start theirs from 99.
display=$((200 + $$ % 500))
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
  display=$((display + 1))
done
Xvfb ":$display" -screen 0 1920x1080x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 1 100); do
  [ -e "/tmp/.X11-unix/X$display" ] && break
  sleep 0.05
done
kill -0 "$xvfb_pid" 2>/dev/null || { cat "$work/xvfb.log" >&2; echo "startup_time: Xvfb did not start" >&2; exit 1; }
start_boardsim "$dir/tools/boardsim/boardsim" "$work/board" "$work/board.out"

# A settings folder of its own, so that no window size kept by a user comes back.
export DISPLAY=":$display" QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work" XDG_CONFIG_HOME="$work"
times=()
for run in $(seq 1 "$runs"); do
  start=$(date +%s%N)
  "$dir/src/halvane" --port "$work/board" >"$work/halvane.log" 2>&1 &
  pid=$!
  until xwininfo -name "CME11E9 Halvane" 2>/dev/null | grep -q IsViewable; do
    kill -0 "$pid" 2>/dev/null || { cat "$work/halvane.log" >&2; exit 1; }
    sleep 0.002
  done
  end=$(date +%s%N)
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  times+=("$(( (end - start) / 1000000 ))")
  echo "run $run: ${times[-1]} ms"
done
median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(( (runs + 1) / 2 ))p")
echo "start-up to mapped window, median of $runs: $median ms (target <= 300)"
