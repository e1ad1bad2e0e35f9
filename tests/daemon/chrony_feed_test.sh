#!/usr/bin/env bash
# Feeds the real chronyd (-x: it never touches the host clock) from orvaned's simulated clock
# through a SOCK refclock in a scratch folder. orvaned starts first, so its retry is what
# connects; chronyd must then show the refclock reachable with samples and a plausible offset,
# and take samples again after it was restarted. Finally SIGTERM stops orvaned cleanly.
#   chrony_feed_test.sh ORVANED
set -euo pipefail
orvaned=$1
for tool in chronyd chronyc; do
  command -v "$tool" >/dev/null || [ -x "/usr/sbin/$tool" ] ||
    { echo "SKIP: $tool is not installed"; exit 77; }
done
export PATH="$PATH:/usr/sbin"

source "$(dirname "$0")/scratch_processes.sh"
# chronyd opens its command socket only in a folder closed to others.
mkdir -m 700 "$scratch/cmd"
fail() {
  echo "FAIL: $*" >&2
  tail -n 20 "$scratch"/*.log >&2
  exit 1
}
cat >"$scratch/chrony.conf" <<CONF
pidfile $scratch/chronyd.pid
port 0
cmdport 0
bindcmdaddress $scratch/cmd/chronyc.sock
refclock SOCK $scratch/orvane.sock refid GNSS poll 0
CONF
chronyd_pid=""
start_chronyd() {
  chronyd -x -d -u "$(id -un)" -f "$scratch/chrony.conf" >>"$scratch/chronyd.log" 2>&1 &
  chronyd_pid=$!
  pids+=("$chronyd_pid")
}
# Waits up to $1 seconds for `$2...` to succeed.
within() {
  local seconds=$1
  shift
  for _ in $(seq $((seconds * 5))); do
    "$@" && return 0
    sleep 0.2
  done
  return 1
}
chronyc_csv() { chronyc -h "$scratch/cmd/chronyc.sock" -n -c "$@" 2>/dev/null; }
# The refclock reached (non-zero reach) with at least two samples and |offset| < 0.4 s: the
# simulated device holds a message's tail for up to a solution (250 ms), as the hardware does.
refclock_fed() {
  local source stats
  source=$(chronyc_csv sources | grep ',GNSS,') || return 1
  stats=$(chronyc_csv sourcestats | grep '^GNSS,') || return 1
  awk -F, -v source="$source" 'BEGIN { split(source, s, ","); exit !(s[6] != "0") }' &&
    awk -F, '{ o = $7 < 0 ? -$7 : $7; exit !($2 >= 2 && o < 0.4) }' <<<"$stats"
}
# orvaned has logged at least $2 lines with $1.
logged() { test "$(grep -c "$1" "$scratch/orvaned.log")" -ge "$2"; }

"$orvaned" --simulate --chrony-sock "$scratch/orvane.sock" 2>"$scratch/orvaned.log" &
orvaned_pid=$!
pids+=("$orvaned_pid")
within 10 logged absent 1 || fail "orvaned did not report the absent socket"

start_chronyd
within 15 logged 'sending samples' 1 || fail "orvaned did not retry"
within 20 refclock_fed || fail "chronyd shows no fed refclock: $(chronyc_csv sources)"
echo "chronyd sourcestats: $(chronyc_csv sourcestats)"

kill "$chronyd_pid"
wait "$chronyd_pid" || true
within 10 logged absent 2 || fail "orvaned did not notice chronyd leave"
start_chronyd
within 15 logged 'sending samples' 2 || fail "orvaned did not come back to chronyd"
within 20 refclock_fed || fail "restarted chronyd shows no fed refclock"

kill -TERM "$orvaned_pid"
wait "$orvaned_pid" || fail "orvaned exited with $? on SIGTERM"
grep -q 'stopped by' "$scratch/orvaned.log" || fail "no stop logged"
echo "chrony feed checks passed"
