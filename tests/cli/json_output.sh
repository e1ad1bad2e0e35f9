#!/usr/bin/env bash
# Runs the real orvanectl with --json on a simulated clock and checks with python3 that each
# document parses and carries the fields the README documents.
#
#   json_output.sh ORVANECTL
set -euo pipefail
orvanectl=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# check NAME FIELDS... < document: every field (a.b for nested) is present, or python3 fails
# naming the command and the key it lacks.
check() {
  python3 -c 'import json, sys
for line in sys.stdin:
    for field in sys.argv[2:]:
        value = json.loads(line)
        for key in field.split("."):
            assert isinstance(value, dict) and key in value, (sys.argv[1], field, line)
            value = value[key]' "$@"
}

"$orvanectl" --simulate --json list | python3 -c '
import json, sys
clock = json.load(sys.stdin)["clocks"][0]
assert set(clock) == {"serial", "path", "manufacturer", "product", "version", "usable", "problem", "ubx_share"}, clock'
"$orvanectl" --simulate --json show |
  check show serial path manufacturer product version configuration.output_enabled \
    configuration.drive_ma configuration.dividers.gps configuration.dividers.nc2_ls \
    configuration.output_hz configuration.f3_hz configuration.correction_ppb \
    configuration.constellations status.pll_locked status.gnss_signal status.holdover \
    status.signal_loss_count \
    status.satellites_used status.satellites_seen status.offset_ppb status.accuracy_ppb status.utc \
    status.pll_reference_hz
"$orvanectl" --json plan 1000 --limit 3 |
  check plan frequency_hz candidate_count candidates choice.vco_hz choice.dividers.n1_hs \
    choice.output_hz choice.n2_ls_choices
"$orvanectl" --simulate --json set-frequency 10000000 |
  check set-frequency frequency_hz vco_index vco_hz dividers.bw output_hz f3_hz locked lock_s
"$orvanectl" --simulate --json output on | check output command serial output_enabled
"$orvanectl" --simulate --json monitor --count 2 --interval 0.1 |
  check monitor time_s pll_locked gnss_signal offset_ppb accuracy_ppb utc
"$orvanectl" --simulate --json record "$scratch/r.ubx" --duration 0.3 |
  check record file raw frames bytes duration_s
# The outage scenario's first 30 s have a signal; a scenario name is checked like any input.
"$orvanectl" --sim-scenario outage --json show | check show status.holdover
"$orvanectl" --sim-scenario leap list 2>/dev/null && { echo "FAIL: unknown scenario taken" >&2; exit 1; }
echo "json output: all documents parse and carry their fields"
