#!/bin/sh
# /init of the test guest: brings up the kernel's HID stack, serves the simulated clock on
# /dev/uhid and runs the headless client against it (the gate), then orvaned with orvanectl as
# its client, then the window on the offscreen platform. The host judges the run by the "HIL ..." lines on the serial console.

mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
mkdir -p /tmp && mount -t tmpfs tmpfs /tmp

# Without udev nothing loads hid-generic on its own, so it goes in before uhid creates a device.
for module in hid hid-generic uhid; do
  insmod /lib/hil-modules/$module.ko || echo "HIL FAIL insmod $module"
done
echo "HIL modules loaded"

failed=0
fail() { echo "HIL FAIL $*"; failed=1; }

# Lines the device logged against the same lines of the host's trace (without time and serial).
device_lines() { grep -E "^($1) " "$2"; }
host_lines() { sed -n -E "s/^[^ ]+ [^ ]+ (($1) .*)/\1/p" "$2"; }

# True when the frames the host decoded are one unbroken run of the frames the device sent.
frames_unbroken() {
  count=$(wc -l < "$2")
  [ "$count" -gt 0 ] || return 1
  start=$(grep -n -x -F "$(head -n 1 "$2")" "$1" | head -n 1 | cut -d: -f1)
  [ -n "$start" ] || return 1
  tail -n +"$start" "$1" | head -n "$count" | cmp -s - "$2"
}

# The headless client.
orvane-uhid-sim --serial G60031 --frames /tmp/sim.frames > /tmp/sim.log 2>&1 &
sim=$!
orvane-hil-client --serial G60031 --new-serial G60077 --unplug-pid $sim \
  --frames /tmp/client.frames --trace /tmp/client.trace || fail "client"
kill $sim; wait $sim
echo "--- device log"; cat /tmp/sim.log; echo "---"

device_lines 'set|get' /tmp/sim.log > /tmp/device.reports
host_lines 'set|get' /tmp/client.trace > /tmp/host.reports
if [ -s /tmp/host.reports ] && cmp -s /tmp/device.reports /tmp/host.reports; then
  echo "HIL PASS feature reports: the device got and answered exactly the host's $(wc -l < /tmp/host.reports) reports"
else
  fail "feature reports differ between host and device"
  diff /tmp/device.reports /tmp/host.reports
fi
grep -q '^violation' /tmp/sim.log && fail "the device saw reports a correct host does not send"
grep ' overflow ' /tmp/client.trace && fail "input queue overflow"
if frames_unbroken /tmp/sim.frames /tmp/client.frames; then
  echo "HIL PASS no frame lost: $(wc -l < /tmp/client.frames) frames decoded, one unbroken run of the $(wc -l < /tmp/sim.frames) the device sent"
else
  fail "frames lost or damaged between device and host"
fi

# orvaned serving the clock while orvanectl runs: first the collision a direct owner causes
# (another lock folder, so the lock does not keep it out), then none through the service.
if [ -x /bin/orvaned ] && [ -x /bin/orvanectl ]; then
  mkdir -p /tmp/service-log /tmp/other-locks
  csv_rows() { cat /tmp/service-log/*.csv 2>/dev/null | wc -l; }
  # True when the CSV grows past $1 rows within $2 seconds.
  rows_grow() {
    waited=0
    while [ "$(csv_rows)" -le "$1" ] && [ $waited -lt "$2" ]; do sleep 1; waited=$((waited + 1)); done
    [ "$(csv_rows)" -gt "$1" ]
  }
  start_service() {
    orvaned --no-chrony --log-dir /tmp/service-log --control-socket /tmp/control \
      >> /tmp/orvaned.log 2>&1 &
    service=$!
  }
  orvane-uhid-sim --serial G60031 > /tmp/service-sim.log 2>&1 &
  sim=$!
  start_service
  rows_grow 1 40 || fail "orvaned wrote no CSV rows"

  ORVANE_LOCK_DIR=/tmp/other-locks orvanectl --direct show > /tmp/direct.out 2>&1 ||
    fail "orvanectl --direct show: $(cat /tmp/direct.out)"
  sleep 3  # rows already on their way
  rows=$(csv_rows)
  if rows_grow "$rows" 12; then
    fail "the collision did not show: the CSV rows went on after a direct orvanectl"
  else
    echo "HIL PASS collision shown: after orvanectl --direct the service's CSV rows stopped at $rows"
  fi
  kill $service; wait $service
  start_service
  rows_grow "$(csv_rows)" 40 || fail "orvaned wrote no CSV rows after its restart"

  export ORVANE_CONTROL_SOCKET=/tmp/control
  rows=$(csv_rows)
  orvanectl show > /tmp/show.first 2>&1 || fail "orvanectl show: $(cat /tmp/show.first)"
  expected=$(grep '^Dividers' /tmp/show.first)
  right=0
  for i in $(seq 20); do
    orvanectl show > /tmp/show.out 2>&1 && [ "$(grep '^Dividers' /tmp/show.out)" = "$expected" ] &&
      right=$((right + 1))
  done
  orvanectl set-frequency 12345678 > /tmp/set.out 2>&1 || fail "set-frequency: $(cat /tmp/set.out)"
  orvanectl show > /tmp/show.after 2>&1
  grep -q '^Frequency  *12345678 Hz' /tmp/show.after || fail "the readback after set-frequency"
  unset ORVANE_CONTROL_SOCKET
  [ $right = 20 ] || fail "$right of 20 readbacks through the service were right"
  if rows_grow "$(csv_rows)" 10 && [ -n "$expected" ]; then
    echo "HIL PASS through the service: 20 readbacks right, set-frequency read back," \
      "CSV rows went on ($rows before, $(csv_rows) after)"
  else
    fail "the service's CSV rows stopped while orvanectl went through it"
  fi
  kill $service; wait $service
  kill $sim; wait $sim
  [ $failed = 0 ] || head -n 30 /tmp/orvaned.log
fi

# The window, if the image carries it.
if [ -x /bin/orvane-config ]; then
  orvane-uhid-sim --serial G60031 > /tmp/window-sim.log 2>&1 &
  sim=$!
  started=$(cut -d' ' -f1 /proc/uptime)
  QT_QPA_PLATFORM=offscreen QT_QPA_PLATFORM_PLUGIN_PATH=/lib/qt-plugins/platforms \
    orvane-config --trace /tmp/window.trace > /tmp/window.log 2>&1 &
  window=$!
  sleep 10
  kill $window; wait $window
  kill $sim; wait $sim
  echo "HIL NOTE window ran 10 s from uptime $started: $(wc -l < /tmp/window.trace) trace lines"
  window_ok=1
  for line in ' G60031 open /dev/hidraw' ' G60031 get 00 ' ' ubx ' \
      ' G60031 set 00 08 06 01 08 00 01 30 ' ' G60031 set 00 08 06 01 08 00 01 22 '; do
    grep -q "$line" /tmp/window.trace || window_ok=0
  done
  if [ $window_ok = 1 ]; then
    echo "HIL PASS window: open, configuration fetch, both CFG-MSG reports and ubx lines traced"
  else
    fail "window trace incomplete"
    cat /tmp/window.log /tmp/window.trace | head -n 40
  fi
fi

if [ $failed = 0 ]; then echo "HIL RESULT PASS"; else echo "HIL RESULT FAIL"; fi
poweroff -f
