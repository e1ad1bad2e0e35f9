#!/usr/bin/env bash
# The real promtool accepts orvaned's scrape of three simulated clocks, lint included; 200
# scrapes, as many at once as one peer may hold (8), are all answered while every clock is still
# polled on time (no gap between two polls of a clock above 150 ms in the trace: no tick more than 100 ms late).
#   metrics_scrape_test.sh ORVANED
source "$(dirname "$0")/scratch_processes.sh"
need promtool python3
port=$(free_port)
start_orvaned --simulate=3 --metrics-listen "$port" --trace "$scratch/trace"

python3 - "$port" "$scratch/trace" <<'PY'
import concurrent.futures, re, subprocess, sys, time, urllib.request
port, trace = int(sys.argv[1]), sys.argv[2]

def scrape(_=None):
    return urllib.request.urlopen(f"http://127.0.0.1:{port}/metrics", timeout=30).read()

# Until every clock is locked with satellites in view.
for _ in range(100):
    try:
        text = scrape()
        if len(re.findall(rb"\norvane_pll_locked{.*} 1\n", text)) == 3 and b"_cn0_dbhz{" in text:
            break
    except OSError:
        pass
    time.sleep(0.2)
lint = subprocess.run(["promtool", "check", "metrics"], input=text, capture_output=True)
if lint.returncode != 0 or lint.stdout or lint.stderr:
    sys.exit(f"FAIL: promtool check metrics: {(lint.stdout + lint.stderr).decode()}\n{text.decode()}")

with concurrent.futures.ThreadPoolExecutor(max_workers=8) as pool:
    counts = [body.count(b"\norvane_up{") for body in pool.map(scrape, range(200))]
if counts != [3] * 200:
    sys.exit(f"FAIL: scrapes without all three clocks: {[c for c in counts if c != 3][:5]}")

# Every poll that finds reports writes `input` lines.
last, worst = {}, {}
for words in (line.split() for line in open(trace)):
    if len(words) > 2 and words[2] == "input":
        at, serial = float(words[0]), words[1]
        if serial in last and at > last[serial]:
            worst[serial] = max(worst.get(serial, 0), at - last[serial])
        last[serial] = at
print(f"promtool accepted {len(text.splitlines())} lines; 200 scrapes, 8 at once, answered; "
      f"longest gap between polls: {worst}")
if len(worst) != 3 or max(worst.values()) > 0.150:
    sys.exit("FAIL: a clock was not polled on time")
PY
kill -0 "$orvaned_pid" || fail "orvaned ended"
