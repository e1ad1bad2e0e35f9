#!/usr/bin/env bash
# The real gpsd reads orvaned's UBX share of a simulated clock: the SKY reports gpspipe shows must
# carry the satellites and C/N0 of the receiver's NAV-SVINFO (from orvaned's trace), while a
# client that never reads is connected beside gpsd and another connects and closes 1,000 times
# (which costs a few log lines, not one each).
#   gpsd_share_test.sh ORVANED
set -euo pipefail
orvaned=$1
for tool in gpsd gpspipe python3; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

source "$(dirname "$0")/scratch_processes.sh"
free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}
share_port=$(free_port)
gpsd_port=$(free_port)

"$orvaned" --simulate --ubx-listen "127.0.0.1:$share_port" --trace "$scratch/trace" \
  2>"$scratch/orvaned.log" &
pids+=($!)
for _ in $(seq 50); do
  grep -q "shared on" "$scratch/orvaned.log" && break
  sleep 0.1
done
# A client that connects and never reads a byte.
python3 -c 'import socket, sys, time; s = socket.create_connection(("127.0.0.1", int(sys.argv[1])))
time.sleep(60)' "$share_port" &
pids+=($!)
# 1,000 connections opened and closed as fast as the share takes them, bounded in time.
timeout 60 python3 -c 'import socket, sys
for _ in range(1000):
    try: socket.create_connection(("127.0.0.1", int(sys.argv[1])), 5).close()
    except OSError: pass' "$share_port" || true
gpsd -N -n -b -S "$gpsd_port" -F "$scratch/gpsd.sock" -P "$scratch/gpsd.pid" \
  "tcp://127.0.0.1:$share_port" 2>"$scratch/gpsd.log" &
pids+=($!)
sleep 1
timeout 30 gpspipe -w -n 60 "127.0.0.1:$gpsd_port" >"$scratch/pipe" || true

# Each SKY report's satellites, C/N0 and use in channel order, as some NAV-SVINFO had them.
python3 - "$scratch/pipe" "$scratch/trace" <<'PY'
import json, sys
svinfo = set()
for line in open(sys.argv[2]):
    words = line.split()
    if len(words) > 6 and words[2] == "ubx" and words[3:5] == ["01", "30"]:
        channels = [tuple(map(int, w.split("/"))) for w in words[7:]]
        svinfo.add(tuple((cno, bool(flags & 1)) for _, flags, cno in channels))
skies = []
for line in open(sys.argv[1]):
    report = json.loads(line)
    if report.get("class") == "SKY" and report.get("satellites"):
        skies.append(tuple((int(s["ss"]), s["used"]) for s in report["satellites"]))
print(f"{len(skies)} SKY reports, {len(svinfo)} distinct NAV-SVINFO")
unmatched = [sky for sky in skies if sky not in svinfo]
if len(skies) < 3 or unmatched:
    print("FAIL: SKY reports without their NAV-SVINFO:", unmatched[:3], file=sys.stderr)
    sys.exit(1)
PY
share_lines=$(grep -c "UBX share: .*client" "$scratch/orvaned.log" || true)
if [ "$share_lines" -lt 1 ] || [ "$share_lines" -gt 6 ]; then
  echo "FAIL: the share logged $share_lines client lines (one at least, a few at most)" >&2
  cat "$scratch/orvaned.log" >&2
  exit 1
fi
echo "gpsd share checks passed"
