#!/usr/bin/env bash
# orvaned's CPU over 60 s serving 9 simulated clocks with metrics and daily logs, scraped every
# 15 s as Prometheus would, then the median round trip of 50 scrapes (with curl).
#   bench/bench_daemon_cpu.sh build/default/src/daemon/orvaned
set -euo pipefail
orvaned=$1
scratch=$(mktemp -d)
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
"$orvaned" --simulate=9 --metrics-listen "$port" --log-dir "$scratch" 2>/dev/null &
pid=$!
trap 'kill $pid; wait; rm -rf "$scratch"' EXIT
scrape() { curl -s -o /dev/null -w '%{time_total}\n' "http://127.0.0.1:$port/metrics"; }
sleep 5
ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
before=$(ticks)
for _ in 1 2 3 4; do scrape >/dev/null; sleep 15; done
after=$(ticks)
python3 -c "import sys; cpu = ($after - $before) / $(getconf CLK_TCK)
print(f'CPU over 60 s: {cpu:.2f} s, {100 * cpu / 60:.2f} % of one core')"
for _ in $(seq 50); do scrape; done | sort -n | sed -n 25p |
  python3 -c 'print(f"median scrape round trip: {float(input()) * 1000:.2f} ms")'
