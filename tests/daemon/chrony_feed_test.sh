#!/usr/bin/env bash
# Feeds the real chronyd (-x: it never touches the host clock) from orvaned's simulated clock
# through a SOCK refclock in a scratch folder. orvaned starts first, so its retry is what
# connects; chronyd must then show the refclock reachable with samples and a plausible offset,
# and take samples again after it was restarted. Finally SIGTERM stops orvaned cleanly.
#   chrony_feed_test.sh ORVANED
source "$(dirname "$0")/scratch_processes.sh"
source "$(dirname "$0")/chrony_scratch.sh"
start_orvaned --simulate --chrony-sock "$scratch/orvane.sock"
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
