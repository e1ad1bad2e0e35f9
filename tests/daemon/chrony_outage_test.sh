#!/usr/bin/env bash
# The real chronyd fed by a simulated receiver that loses its signal for a minute (30 s after
# power-up) while it keeps UTC valid: orvaned holds the samples back, says why and counts them,
# chronyd's refclock goes unfed meanwhile, and samples resume once the signal is back.
#   chrony_outage_test.sh ORVANED
source "$(dirname "$0")/scratch_processes.sh"
source "$(dirname "$0")/chrony_scratch.sh"
# chronyd's last sample of the refclock is at least $1 s old.
unfed_for() {
  chronyc_csv sources | awk -F, -v age="$1" '$3 == "GNSS" { found = 1; ok = $7 >= age }
                                            END { exit !(found && ok) }'
}

start_chronyd
start_orvaned --sim-scenario outage --chrony-sock "$scratch/orvane.sock"
within 20 refclock_fed || fail "chronyd shows no fed refclock: $(chronyc_csv sources)"
within 40 logged 'alarm holdover_started' 1 || fail "no holdover alarm"
logged 'chrony samples held: the clock reports no GNSS signal (signal_lost)' 1 ||
  fail "no held samples logged"
within 30 unfed_for 20 || fail "chronyd still gets samples: $(chronyc_csv sources)"
within 60 logged 'chrony samples resumed after [0-9][0-9]' 1 || fail "samples did not resume"
within 20 refclock_fed || fail "chronyd not fed after the outage: $(chronyc_csv sources)"
held=$(grep -o 'resumed after [0-9]* held back' "$scratch/orvaned.log" | tail -n 1 | tr -dc 0-9)
# A minute of NAV-TIMEUTC, one a second.
[ "$held" -ge 55 ] && [ "$held" -le 62 ] || fail "$held samples held, not about 60"
logged 'alarm holdover_ended' 1 || fail "holdover did not end"
echo "outage: $held samples held; $(grep -c alarm "$scratch/orvaned.log") alarms"
