#!/usr/bin/env bash
# Builds the .deb from a finished build tree, unpacks it into a scratch root and checks what a
# Debian 12 desktop relies on: the udev rule matches this build's USB IDs and grants access the
# seat way and to the service's group, the menu entry validates and finds its program and icon,
# the program runs, and orvaned runs without Qt under a hardened, disabled unit.
#
#   check_package.sh BUILD_DIR VERSION VENDOR_ID PRODUCT_ID_1 PRODUCT_ID_2   (IDs as in the cache)
set -euo pipefail

build_dir=$1 version=$2

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
# finds PATTERN FILE WHAT: fails with WHAT unless FILE has a line matching PATTERN.
finds() { grep -q -- "$1" "$2" || fail "$3"; }

# The IDs as sysfs shows them, computed here independently of the build's own conversion.
udev_id() { printf '%04x' "$(($1))"; }
vendor=$(udev_id "$3") product_1=$(udev_id "$4") product_2=$(udev_id "$5")

cpack --config "$build_dir/CPackConfig.cmake" -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1 ||
  { cat "$scratch/cpack.log" >&2; exit 1; }
deb=$(find "$scratch/out" -maxdepth 1 -name 'orvane-config_*.deb' -print -quit)
[ -n "$deb" ] || { echo "FAIL: cpack made no orvane-config_*.deb" >&2; exit 1; }
root="$scratch/root"
dpkg-deb -x "$deb" "$root"
dpkg-deb -e "$deb" "$scratch/control"

# Package metadata: name, version and the runtime libraries a bare desktop may lack.
[ "$(dpkg-deb -f "$deb" Package)" = orvane-config ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version"
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6widgets6 libqt6charts6 libqt6svg6 libhidapi-hidraw0 libsystemd0 libmicrohttpd12 \
  adduser; do
  grep -qw "$needed" <<<"$depends" || fail "Depends lacks $needed: $depends"
done
# has [-x] FILE...: each is there (and executable), or the checks that read it are pointless.
has() {
  local test=-e
  [ "$1" != -x ] || { test=-x && shift; }
  for file in "$@"; do [ "$test" "$file" ] || { fail "no $test ${file#"$root"}"; return 1; }; done
}
postinst="$scratch/control/postinst" prerm="$scratch/control/prerm" postrm="$scratch/control/postrm"
if has -x "$postinst" "$prerm" "$postrm"; then
  finds 'udevadm control --reload-rules' "$postinst" "postinst does not reload udev rules"
  # Stubs stand in for the account tools, so no account is made on this machine: first where
  # orvane exists, then where it does not. There is no udevadm (as in chroots and containers).
  stubs="$scratch/stubs"
  mkdir "$stubs"
  for tool in addgroup adduser; do
    printf '#!/bin/sh\necho %s "$@" >>"%s/accounts"\n' "$tool" "$scratch" >"$stubs/$tool"
  done
  # The unit's helpers only record: a service that was never enabled is not enabled now.
  for tool in deb-systemd-helper deb-systemd-invoke; do
    printf '#!/bin/sh\necho %s "$@" >>"%s/helpers"\n[ "$2" != was-enabled ]\n' "$tool" "$scratch" \
      >"$stubs/$tool"
  done
  printf '#!/bin/sh\nexit "${GETENT_STATUS:-0}"\n' >"$stubs/getent"
  chmod +x "$stubs"/*
  PATH="$stubs:/bin" /bin/sh "$postinst" configure || fail "postinst fails without udevadm"
  [ ! -e "$scratch/accounts" ] || fail "postinst makes an account that exists"
  GETENT_STATUS=2 PATH="$stubs:/bin" /bin/sh "$postinst" configure || fail "postinst fails"
  finds '^addgroup --system orvane$' "$scratch/accounts" "postinst makes no group"
  finds '^adduser --system --ingroup orvane .*orvane$' "$scratch/accounts" "postinst makes no user"
  finds '^deb-systemd-helper update-state orvaned.service$' "$scratch/helpers" \
    "postinst does not record the unit's state"
  ! grep -q 'helper enable' "$scratch/helpers" || fail "postinst enables a disabled service"
  finds 'deb-systemd-invoke restart orvaned.service' "$postinst" "postinst restarts no orvaned"
  # Removal stops the service and masks its unit, an upgrade does not stop it (postinst restarts
  # it), purge forgets the unit's state and the log folder but keeps the account.
  grep -q '\[ "$1" = remove \]; then' "$prerm" && grep -q 'deb-systemd-invoke stop orvaned' "$prerm" ||
    fail "prerm does not stop orvaned on removal"
  rm -f "$scratch/helpers"
  PATH="$stubs:/bin" /bin/sh "$prerm" upgrade 2.0 || fail "prerm upgrade fails"
  [ ! -e "$scratch/helpers" ] || fail "prerm stops orvaned on upgrade"
  PATH="$stubs:/bin" /bin/sh "$postrm" remove || fail "postrm remove fails"
  finds '^deb-systemd-helper mask orvaned.service$' "$scratch/helpers" "postrm masks no unit"
  for purged in 'deb-systemd-helper purge orvaned.service' 'rm -rf /var/log/orvane'; do
    grep -qF "$purged" "$postrm" || fail "postrm purge lacks: $purged"
  done
  ! grep -q 'deluser\|delgroup' "$postrm" || fail "postrm removes the account"
fi
grep -qx /etc/default/orvaned "$scratch/control/conffiles" || fail "defaults file not a conffile"

# The udev rule: this build's IDs, the uaccess tag and group orvane, never a world-writable mode.
rule="$root/usr/lib/udev/rules.d/70-orvane.rules"
if has "$rule"; then
  active=$(grep -v '^[[:space:]]*\(#\|$\)' "$rule" || true)
  [ "$(wc -l <<<"$active")" -eq 2 ] || fail "rule should have one active line per product ID"
  for product in "$product_1" "$product_2"; do
    grep -q "ATTRS{idVendor}==\"$vendor\", ATTRS{idProduct}==\"$product\", TAG+=\"uaccess\", GROUP=\"orvane\", MODE=\"0660\"" \
      <<<"$active" || fail "no uaccess and group line for $vendor:$product"
  done
  ! grep -o 'id[A-Za-z]*=="[^"]*"' "$rule" | grep -q '=="[^"]*[A-F]' ||
    fail "upper-case hex ID in the rule"
fi

# The menu entry: valid, and its program and icon are where it says.
desktop="$root/usr/share/applications/orvane-config.desktop"
if has "$desktop"; then
  desktop-file-validate "$desktop" || fail "desktop-file-validate"
  exec_program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
  [ -x "$root/usr/bin/$exec_program" ] || fail "Exec=$exec_program is not in /usr/bin"
  icon=$(sed -n 's/^Icon=//p' "$desktop")
  has "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg"
fi

# The installed programs start against the system's libraries; the headless ones without Qt.
for program in usr/bin/orvane-config usr/bin/orvanectl usr/sbin/orvaned; do
  has -x "$root/$program" || continue
  output=$(QT_QPA_PLATFORM=offscreen "$root/$program" --version 2>&1) &&
    grep -q "$version" <<<"$output" || fail "$program --version printed: $output"
  [ "$program" = usr/bin/orvane-config ] || ! ldd "$root/$program" | grep -qi 'libQt' ||
    fail "$program links Qt"
done
man_page="$root/usr/share/man/man1/orvanectl.1"
if has "$man_page"; then
  man_warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l "$man_page" 2>&1 >/dev/null || true)
  [ -z "$man_warnings" ] || fail "orvanectl.1: $man_warnings"
fi
completion="$root/usr/share/bash-completion/completions/orvanectl"
if has "$completion"; then
  bash -n "$completion" || fail "bash completion does not parse"
  finds 'complete -F _orvanectl orvanectl' "$completion" "completion not registered"
fi
rules="$root/usr/share/orvane/prometheus/orvane-rules.yml"
has "$rules" && { ! command -v promtool >/dev/null || promtool check rules "$rules" >/dev/null ||
  fail "rules do not load"; }
# orvaned's unit is hardened as promised and not enabled by the package.
unit="$root/usr/lib/systemd/system/orvaned.service"
if has "$unit"; then
  for line in Type=notify 'EnvironmentFile=-/etc/default/orvaned' \
    'ExecStart=/usr/sbin/orvaned $ORVANED_OPTS' WatchdogSec=10s User=orvane \
    RuntimeDirectory=orvane ProtectSystem=strict PrivateTmp=yes NoNewPrivileges=yes \
    CapabilityBoundingSet=; do
    grep -qxF "$line" "$unit" || fail "unit lacks $line"
  done
  ! grep -q '^AmbientCapabilities=.' "$unit" || fail "unit grants capabilities"
  for limit in MemoryMax TasksMax LimitNOFILE; do
    finds "^$limit=[0-9]" "$unit" "unit sets no $limit"
  done
  # systemd's own rating of the sandbox, 0 (tight) to 10; the service is kept at 2.0 or below.
  if systemd-analyze --help 2>/dev/null | grep -q -- --offline; then
    exposure=$(systemd-analyze security --offline=yes "$unit" 2>&1 |
      sed -n 's/.*Overall exposure level for orvaned.service: \([0-9.]*\).*/\1/p')
    awk -v e="$exposure" 'BEGIN { exit !(e != "" && e <= 2.0) }' ||
      fail "systemd-analyze security rates the unit ${exposure:-?} (more than 2.0)"
  fi
fi
! grep -q 'systemctl enable' "$postinst" || fail "postinst enables the service"
dropin="$root/usr/lib/systemd/system/chrony.service.d/orvane-refclock.conf"
finds 'chgrp orvane /run/orvane.sock' "$dropin" "no chrony drop-in for the socket"
finds 'ORVANED_OPTS=' "$root/etc/default/orvaned" "no /etc/default/orvaned"

[ "$failures" -eq 0 ] && echo "package checks passed: $(basename "$deb")"
exit $((failures > 0))
