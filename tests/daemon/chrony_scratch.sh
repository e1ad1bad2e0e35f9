# Sourced by the tests that run the real chronyd (-x: it never touches the host clock) with a SOCK
# refclock in a scratch folder, after scratch_processes.sh. Set `wrap` (an array, e.g. faketime
# and its arguments) before start_chronyd to run chronyd, and orvaned, under it.
need chronyd chronyc

# chronyd opens its command socket only in a folder closed to others.
mkdir -m 700 "$scratch/cmd"
cat >"$scratch/chrony.conf" <<CONF
pidfile $scratch/chronyd.pid
port 0
cmdport 0
bindcmdaddress $scratch/cmd/chronyc.sock
refclock SOCK $scratch/orvane.sock refid GNSS poll 0
CONF
chronyd_pid=""
start_chronyd() {
  "${wrap[@]}" chronyd -x -d -u "$(id -un)" -f "$scratch/chrony.conf" >>"$scratch/chronyd.log" 2>&1 &
  chronyd_pid=$!
  pids+=("$chronyd_pid")
}
chronyc_csv() { chronyc -h "$scratch/cmd/chronyc.sock" -n -c "$@" 2>/dev/null; }
# The refclock reached (non-zero reach) with at least two samples and |offset| < 20 ms: samples
# are stamped where the epoch's output began, within the simulated device's 10 ms report period.
refclock_fed() {
  local source stats
  source=$(chronyc_csv sources | grep ',GNSS,') || return 1
  stats=$(chronyc_csv sourcestats | grep '^GNSS,') || return 1
  awk -F, -v source="$source" 'BEGIN { split(source, s, ","); exit !(s[6] != "0") }' &&
    awk -F, '{ o = $7 < 0 ? -$7 : $7; exit !($2 >= 2 && o < 0.02) }' <<<"$stats"
}
