#!/usr/bin/env bash
# The real gpsd reads orvaned's UBX share of a simulated clock: the SKY reports gpspipe shows must
# carry the satellites and C/N0 of the receiver's NAV-SVINFO (from orvaned's trace). A client that
# never reads and a flood of connections are the share's own tests (tests/service).
#   gpsd_share_test.sh ORVANED
source "$(dirname "$0")/scratch_processes.sh"
need gpsd gpspipe python3
share_port=$(free_port) gpsd_port=$(free_port)

start_orvaned --simulate --ubx-listen "127.0.0.1:$share_port" --trace "$scratch/trace"
within 10 logged "shared on" 1 || fail "orvaned shares no UBX stream"
gpsd -N -n -b -S "$gpsd_port" -F "$scratch/gpsd.sock" -P "$scratch/gpsd.pid" \
  "tcp://127.0.0.1:$share_port" 2>"$scratch/gpsd.log" &
pids+=($!)
within 10 test -S "$scratch/gpsd.sock" || fail "gpsd did not start"
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
echo "gpsd share checks passed"
