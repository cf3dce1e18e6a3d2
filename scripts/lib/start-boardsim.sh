# shellcheck shell=bash
# Starts the simulated board for a script; sourced by scripts/run and scripts/screenshot.
# (Programs start it through tests/e2e/board_process.h: the tests, drills and benchmarks.)
#
#   start_boardsim BOARDSIM LINK LOG [OPTION...]
#       Runs BOARDSIM --link LINK [OPTION...] in the background with its output in LOG, and
#       waits up to five seconds for LINK, the symbolic link to its pseudo-terminal. Sets
#       boardsim_pid. When the board does not come up it shows LOG and returns 1.
#   stop_boardsim
#       Ends the board started here, if any, and waits for it. Safe to call twice.

boardsim_pid=""

start_boardsim() {
  local program="$1" link="$2" log="$3"
  shift 3
  "$program" --link "$link" "$@" >"$log" 2>&1 &
  boardsim_pid=$!
  local _
  for _ in $(seq 1 100); do
    [ -e "$link" ] && return 0
    kill -0 "$boardsim_pid" 2>/dev/null || break
    sleep 0.05
  done
  cat "$log" >&2
  echo "The simulated board did not start." >&2
  stop_boardsim
  return 1
}

stop_boardsim() {
  if [ -n "$boardsim_pid" ]; then
    kill "$boardsim_pid" 2>/dev/null || true
    wait "$boardsim_pid" 2>/dev/null || true
    boardsim_pid=""
  fi
}
