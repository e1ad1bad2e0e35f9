#!/usr/bin/env bash
# A leap second reaches the real chronyd: the simulated receiver announces an insertion at the
# end of the half-year, and chronyd and orvaned both run at noon of its last day (faketime; the
# next 30 June or 31 December, so the date is never before the build), the one day on which
# orvaned passes the announcement on and chronyd accepts it.
#   chrony_leap_test.sh ORVANED
# libfaketime itself rather than the faketime program, which forks: the pids the test ends must
# be the programs'.
source "$(dirname "$0")/scratch_processes.sh"
libfaketime=$(find /usr/lib -name libfaketime.so.1 -path '*faketime*' 2>/dev/null | head -n 1)
[ -n "$libfaketime" ] || need libfaketime.so.1
source "$(dirname "$0")/chrony_scratch.sh"
year=$(date -u +%Y) month_day=$(date -u +%m%d)
day=$year-12-31
[ "$month_day" -ge 0630 ] || day=$year-06-30
[ "$month_day" != 1231 ] || day=$((year + 1))-06-30
# The clocks start at that noon and run; the monotonic clock stays the host's.
# An instrumented orvaned wants its sanitizer runtime first; libfaketime comes before it here.
wrap=(env ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0" LD_PRELOAD="$libfaketime" FAKETIME="@$day 12:00:00" FAKETIME_DONT_FAKE_MONOTONIC=1)
leap_status() { chronyc -h "$scratch/cmd/chronyc.sock" tracking 2>/dev/null | grep '^Leap status'; }
inserting() { [ "$(leap_status)" = "Leap status     : Insert second" ]; }

start_chronyd
start_orvaned --sim-scenario leap-insert --chrony-sock "$scratch/orvane.sock"
within 40 inserting || fail "chronyd on $day: $(leap_status)"
echo "chronyd on $day: $(leap_status)"
