# Sourced by the daemon's shell tests, whose one argument is orvaned: strict mode, a scratch folder
# and the background processes started in it (append each pid to `pids`), all of them gone when the
# test ends, however it ends; and the starting, waiting, failing and skipping every such test does.
set -euo pipefail
orvaned=$1
scratch=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
export PATH="$PATH:/usr/sbin"
# Exits 77 (skipped) unless every tool named is installed.
need() {
  for tool in "$@"; do command -v "$tool" >/dev/null || { echo "SKIP: no $tool"; exit 77; }; done
}
fail() {
  echo "FAIL: $*" >&2
  tail -n 20 "$scratch"/*.log >&2
  exit 1
}
# Waits up to $1 seconds for `$2...` to succeed.
within() {
  for _ in $(seq $(($1 * 5))); do "${@:2}" && return 0; sleep 0.2; done
  return 1
}
# orvaned has logged at least $2 lines with $1.
logged() { test "$(grep -c "$1" "$scratch/orvaned.log")" -ge "$2"; }
free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}
# Starts orvaned with the arguments given (under `wrap`, an array a test may set), its log in
# orvaned.log.
wrap=()
start_orvaned() {
  "${wrap[@]}" "$orvaned" "$@" 2>"$scratch/orvaned.log" &
  orvaned_pid=$!
  pids+=("$orvaned_pid")
}
