#!/bin/sh
# /init of the test guest: brings up the kernel's HID stack, serves the simulated clock on
# /dev/uhid and runs the headless client against it (the gate), then the window on the
# offscreen platform. The host judges the run by the "HIL ..." lines on the serial console.

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
