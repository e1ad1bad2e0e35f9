#!/usr/bin/env bash
# Boots a Debian 12 kernel under qemu (software emulation) with an initramfs holding busybox,
# the HID modules and the project's binaries, and judges the run by the guest's serial log.
#
#   run_guest.sh WORK_DIR UHID_SIM HIL_CLIENT ORVANED ORVANECTL [WINDOW]
#
# Downloaded packages are kept in ${ORVANE_HIL_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/orvane-hil}.
set -euo pipefail

work=$1 sim=$2 client=$3 service=$4 control=$5 window=${6:-}
here=$(cd "$(dirname "$0")" && pwd)
cache=${ORVANE_HIL_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/orvane-hil}
boot_limit=${ORVANE_HIL_BOOT_LIMIT:-480}
mkdir -p "$cache" "$work"
started=$(date +%s)

# The current Debian 12 kernel; a cached one when the package lists cannot be read.
package=$(apt-cache depends linux-image-amd64 2>/dev/null |
  sed -n 's/.*Depends: \(linux-image-[0-9].*-amd64\)$/\1/p' | head -n 1)
if [ -n "$package" ] && ! ls "$cache/${package}_"*.deb > /dev/null 2>&1; then
  (cd "$cache" && apt-get download -q "$package" 2>&1 | grep -v '^W: Download is performed unsandboxed' || true)
fi
deb=$(ls -t "$cache"/${package:-linux-image-*-amd64}_*.deb 2>/dev/null | head -n 1 || true)
[ -n "$deb" ] || { echo "no kernel package: apt-get download ${package:-linux-image-amd64} failed"; exit 1; }
kernel_dir="$cache/$(basename "$deb" .deb)"
if [ ! -d "$kernel_dir" ]; then
  dpkg-deb -x "$deb" "$kernel_dir.tmp"
  mv "$kernel_dir.tmp" "$kernel_dir"
fi
vmlinuz=$(ls "$kernel_dir"/boot/vmlinuz-*)
modules=$(ls -d "$kernel_dir"/lib/modules/*/kernel/drivers/hid)

root="$work/root"
rm -rf "$root"
mkdir -p "$root"/{bin,dev,proc,sys,tmp,lib/hil-modules}
cp /bin/busybox "$root/bin/busybox"
for applet in $("$root/bin/busybox" --list); do
  [ -e "$root/bin/$applet" ] || ln -s busybox "$root/bin/$applet"
done
# busybox insmod cannot unpack compressed modules.
for module in hid hid-generic uhid; do
  if [ -f "$modules/$module.ko.xz" ]; then
    xz -dc "$modules/$module.ko.xz" > "$root/lib/hil-modules/$module.ko"
  else
    cp "$modules/$module.ko" "$root/lib/hil-modules/$module.ko"
  fi
done
install -m 755 "$here/guest_init.sh" "$root/init"

# Copies binaries with the shared libraries they load, at the same paths.
add_with_libraries() {
  for binary in "$@"; do
    for library in $(ldd "$binary" | grep -o '/[^ ]*' | sort -u); do
      mkdir -p "$root$(dirname "$library")"
      cp -L "$library" "$root$library"
    done
  done
}
cp "$sim" "$client" "$service" "$control" "$root/bin/"
add_with_libraries "$sim" "$client" "$service" "$control"
if [ -n "$window" ]; then
  cp "$window" "$root/bin/"
  plugin=$(find /usr/lib -path '*qt6/plugins/platforms/libqoffscreen.so' | head -n 1)
  mkdir -p "$root/lib/qt-plugins/platforms"
  cp "$plugin" "$root/lib/qt-plugins/platforms/"
  add_with_libraries "$window" "$plugin"
fi
# The programs' libraries sit at their host paths; /lib64 holds the dynamic loader.
[ -e /lib64 ] && mkdir -p "$root/lib64" && cp -L /lib64/ld-linux-x86-64.so.2 "$root/lib64/"

(cd "$root" && find . | cpio -o -H newc --quiet | gzip -1) > "$work/initrd.gz"
echo "initramfs $(du -k "$work/initrd.gz" | cut -f1) KiB (unpacked $(du -sk "$root" | cut -f1) KiB)," \
  "built in $(($(date +%s) - started)) s"

log="$work/serial.log"
boot_started=$(date +%s)
timeout "$boot_limit" qemu-system-x86_64 -accel tcg -m 1024 -nographic -no-reboot \
  -kernel "$vmlinuz" -initrd "$work/initrd.gz" \
  -append "console=ttyS0 quiet panic=-1" < /dev/null > "$log" 2>&1 || true
echo "guest ran $(($(date +%s) - boot_started)) s"
tr -d '\r' < "$log" | grep -E '^(HIL|---|set|get|create|destroy|unplug|violation)|G60031|G60077' || true

grep -q 'HIL CLIENT PASS' "$log" && grep -q 'HIL RESULT PASS' "$log" && ! grep -q 'HIL FAIL' "$log"
