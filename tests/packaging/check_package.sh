#!/usr/bin/env bash
# Builds the .deb from a finished build tree, unpacks it into a scratch root and checks what a
# Debian 12 desktop relies on: the udev rule matches this build's USB IDs and grants access the
# seat way, the menu entry validates and finds its program and icon, and the program runs.
#
#   check_package.sh BUILD_DIR VERSION VENDOR_ID PRODUCT_ID_1 PRODUCT_ID_2   (IDs as in the cache)
set -euo pipefail

build_dir=$1 version=$2
vendor_id=$3 product_id_1=$4 product_id_2=$5

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# The IDs as sysfs shows them, computed here independently of the build's own conversion.
udev_id() { printf '%04x' "$(($1))"; }
vendor=$(udev_id "$vendor_id")
product_1=$(udev_id "$product_id_1")
product_2=$(udev_id "$product_id_2")

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
for needed in libqt6widgets6 libqt6charts6 libqt6svg6 libhidapi-hidraw0; do
  grep -qw "$needed" <<<"$depends" || fail "Depends lacks $needed: $depends"
done
postinst="$scratch/control/postinst"
if [ -x "$postinst" ]; then
  grep -q 'udevadm control --reload-rules' "$postinst" || fail "postinst does not reload udev rules"
  # Where there is no udevadm (chroots, containers) the script must still succeed.
  PATH=/nonexistent /bin/sh "$postinst" configure || fail "postinst fails without udevadm"
else
  fail "no executable postinst"
fi

# The udev rule: this build's IDs, the uaccess tag, never a world-writable mode.
rule="$root/usr/lib/udev/rules.d/70-orvane.rules"
if [ -f "$rule" ]; then
  active=$(grep -v '^[[:space:]]*\(#\|$\)' "$rule" || true)
  [ "$(wc -l <<<"$active")" -eq 2 ] || fail "rule should have one active line per product ID"
  for product in "$product_1" "$product_2"; do
    grep -q "ATTRS{idVendor}==\"$vendor\", ATTRS{idProduct}==\"$product\", TAG+=\"uaccess\"" \
      <<<"$active" || fail "no uaccess line for $vendor:$product"
  done
  ! grep -q 'MODE=' <<<"$active" || fail "active rule sets a mode"
  grep -q '^#.*GROUP="[a-z]*"' "$rule" || fail "no commented group line for headless use"
  ! grep -o 'id[A-Za-z]*=="[^"]*"' "$rule" | grep -q '=="[^"]*[A-F]' ||
    fail "upper-case hex ID in the rule"
else
  fail "no udev rule at ${rule#"$root"}"
fi

# The menu entry: valid, and its program and icon are where it says.
desktop="$root/usr/share/applications/orvane-config.desktop"
if [ -f "$desktop" ]; then
  desktop-file-validate "$desktop" || fail "desktop-file-validate"
  exec_program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
  [ -x "$root/usr/bin/$exec_program" ] || fail "Exec=$exec_program is not in /usr/bin"
  icon=$(sed -n 's/^Icon=//p' "$desktop")
  [ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no icon $icon.svg"
else
  fail "no desktop entry"
fi

# The installed program starts against the system's libraries.
if output=$(QT_QPA_PLATFORM=offscreen "$root/usr/bin/orvane-config" --version 2>&1); then
  grep -q "$version" <<<"$output" || fail "--version printed: $output"
else
  fail "orvane-config --version exited non-zero: $output"
fi

[ "$failures" -eq 0 ] && echo "package checks passed: $(basename "$deb")"
exit $((failures > 0))
