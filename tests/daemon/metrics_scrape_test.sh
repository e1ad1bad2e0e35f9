#!/usr/bin/env bash
# The real promtool accepts orvaned's scrape of three simulated clocks, lint included; 200
# concurrent scrapes are all answered while every clock is still polled on time (no gap between
# two polls of a clock above 150 ms in the trace: no tick more than 100 ms late).
#   metrics_scrape_test.sh ORVANED
set -euo pipefail
orvaned=$1
for tool in promtool python3; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

source "$(dirname "$0")/scratch_processes.sh"
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')

"$orvaned" --simulate=3 --no-chrony --metrics-listen "$port" --trace "$scratch/trace" \
  2>"$scratch/orvaned.log" &
pids+=($!)
scrape() { python3 -c 'import sys, urllib.request
print(urllib.request.urlopen(f"http://127.0.0.1:{sys.argv[1]}/metrics", timeout=10).read().decode(), end="")' "$port"; }
# Until every clock is locked with satellites in view.
for _ in $(seq 100); do
  scrape >"$scratch/scrape" 2>/dev/null || true
  [ "$(grep -c '^orvane_pll_locked{.*} 1$' "$scratch/scrape")" -eq 3 ] &&
    grep -q '^orvane_satellite_cn0_dbhz{' "$scratch/scrape" && break
  sleep 0.2
done
if ! promtool check metrics <"$scratch/scrape" >"$scratch/promtool" 2>&1 || [ -s "$scratch/promtool" ]; then
  echo "FAIL: promtool check metrics:" >&2
  cat "$scratch/promtool" "$scratch/scrape" >&2
  exit 1
fi
grep -c '' "$scratch/scrape" | xargs echo "scrape of" | sed 's/$/ lines accepted by promtool/'

python3 - "$port" "$scratch/trace" <<'PY'
import concurrent.futures, sys, urllib.request
port, trace = int(sys.argv[1]), sys.argv[2]

def scrape(_):
    body = urllib.request.urlopen(f"http://127.0.0.1:{port}/metrics", timeout=30).read()
    return body.count(b"\norvane_up{")

with concurrent.futures.ThreadPoolExecutor(max_workers=200) as pool:
    counts = list(pool.map(scrape, range(200)))
if counts != [3] * 200:
    sys.exit(f"FAIL: scrapes without all three clocks: {[c for c in counts if c != 3][:5]}")

# Polls show as `input` lines; a poll that found nothing would be followed by the silence limit.
last, worst = {}, {}
for line in open(trace):
    words = line.split()
    if len(words) > 2 and words[2] == "input":
        at, serial = float(words[0]), words[1]
        if serial in last and at > last[serial]:
            worst[serial] = max(worst.get(serial, 0), at - last[serial])
        last[serial] = at
print("200 concurrent scrapes answered; longest gap between polls:",
      {serial: round(gap, 3) for serial, gap in worst.items()})
if len(worst) != 3 or max(worst.values()) > 0.150:
    sys.exit("FAIL: a clock was not polled on time")
PY
kill -0 "${pids[0]}" || { echo "FAIL: orvaned ended" >&2; exit 1; }
