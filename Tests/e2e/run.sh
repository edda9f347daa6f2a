#!/usr/bin/env bash
# End-to-end test of the real Linux path: boots a Debian kernel in a virtual
# machine where a virtual tablet (uhid) plugs in, the driver finds it through
# hidraw, switches it to tablet mode and injects pen and shortcut events
# through uinput, and an event reader records what the kernel's input layer
# delivers. The driver runs with --record: its recording must hold the
# descriptor the virtual tablet declared and the reports it sent, in order.
# The tablet's standard mouse collection gets an event node from the kernel:
# while the driver runs it holds that node for exclusive use, so the tablet's
# mouse reports reach no other reader; once the driver has exited, they do.
# Exits non-zero, with the failing assertions, on any failure.
#
#   Tests/e2e/run.sh [path/to/brevola-driver]   test that driver (else build it)
#   Tests/e2e/run.sh --self-test                test the harness with a stand-in
#
# Environment: BREVOLA_E2E_CACHE (downloaded packages, default .cache/e2e),
# BREVOLA_E2E_BUILD (driver build dir, default build-e2e; the VM's files go to
# its e2e/ folder), BREVOLA_VENDOR_ID / BREVOLA_PRODUCT_ID (the tablet's ids;
# default: those in the driver's CMakeCache.txt, else 0x3f1d / 0x0a31),
# BREVOLA_E2E_PEN_NAME / _KEYS_NAME / _MOUSE_NAME (the driver's uinput device
# names), BREVOLA_E2E_TIMEOUT (seconds for the VM, default 240), BREVOLA_E2E_ACCEL
# (qemu accelerator, default tcg).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
cache=${BREVOLA_E2E_CACHE:-$repo/.cache/e2e}
build=${BREVOLA_E2E_BUILD:-$repo/build-e2e}
out=$build/e2e
vendor=${BREVOLA_VENDOR_ID:-0x3f1d}
product=${BREVOLA_PRODUCT_ID:-0x0a31}
timeout_s=${BREVOLA_E2E_TIMEOUT:-240}
start=$(date +%s)

mode=driver
driver=""
case "${1:-}" in
  --self-test) mode=self-test ;;
  -h|--help) sed -n '2,/^set -euo/p' "$0" | grep '^#'; exit 0 ;;
  "") ;;
  *) driver=$(realpath "$1") ;;
esac

say() { echo "e2e: $*"; }
die() { echo "e2e: FAILED: $*" >&2; exit 1; }

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
apt_updated=""
apt_update() { [ -n "$apt_updated" ] || { $SUDO apt-get update -qq; apt_updated=1; }; }

# --- tools --------------------------------------------------------------------
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
missing=()
for p in qemu-system-x86 busybox-static cpio g++; do installed "$p" || missing+=("$p"); done
if [ ${#missing[@]} -gt 0 ]; then
  say "installing ${missing[*]}"
  apt_update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# --- kernel ---------------------------------------------------------------------
# The full Debian kernel: the cloud flavour lacks uinput.
mkdir -p "$cache"
echo '*' >"$cache/.gitignore" # keep the downloads out of git
deb=$(ls "$cache"/linux-image-6.*-amd64_*.deb 2>/dev/null | sort -V | tail -1 || true)
if [ -z "$deb" ]; then
  pkg=$(apt-cache depends linux-image-amd64 2>/dev/null | sed -n 's/.*Depends: \(linux-image-[0-9].*-amd64\)$/\1/p' | head -1)
  if [ -z "$pkg" ]; then apt_update; pkg=$(apt-cache depends linux-image-amd64 | sed -n 's/.*Depends: \(linux-image-[0-9].*-amd64\)$/\1/p' | head -1); fi
  [ -n "$pkg" ] || die "no linux-image-*-amd64 package in the apt sources"
  say "downloading $pkg"
  (cd "$cache" && apt-get download -q "$pkg" 2>&1 | grep -v '^W: Download is performed unsandboxed' || true)
  deb=$(ls "$cache"/linux-image-6.*-amd64_*.deb 2>/dev/null | sort -V | tail -1 || true)
  [ -n "$deb" ] || die "apt-get download $pkg failed"
fi
kdir="$cache/$(basename "$deb" .deb)"
if [ ! -f "$kdir/.done" ]; then
  say "unpacking $(basename "$deb")"
  rm -rf "$kdir" && mkdir -p "$kdir"
  dpkg-deb --fsys-tarfile "$deb" | tar -x -C "$kdir" --wildcards './boot/vmlinuz-*' \
    './lib/modules/*/kernel/drivers/hid/hid.ko' './lib/modules/*/kernel/drivers/hid/uhid.ko' \
    './lib/modules/*/kernel/drivers/hid/hid-generic.ko' './lib/modules/*/kernel/drivers/input/evdev.ko' \
    './lib/modules/*/kernel/drivers/input/misc/uinput.ko'
  touch "$kdir/.done"
fi
vmlinuz=$(ls "$kdir"/boot/vmlinuz-*)

# The udev daemon, for the second way of seeing hot-plug. Only its files are
# used, in the virtual machine; nothing is installed here.
udeb=$(ls "$cache"/udev_*_amd64.deb 2>/dev/null | sort -V | tail -1 || true)
if [ -z "$udeb" ]; then
  say "downloading udev"
  (cd "$cache" && apt-get download -q udev 2>&1 | grep -v '^W: Download is performed unsandboxed' || true)
  udeb=$(ls "$cache"/udev_*_amd64.deb 2>/dev/null | sort -V | tail -1 || true)
  [ -n "$udeb" ] || die "apt-get download udev failed"
fi
udir="$cache/$(basename "$udeb" .deb)"
if [ ! -f "$udir/.done" ]; then
  rm -rf "$udir" && mkdir -p "$udir"
  dpkg-deb --fsys-tarfile "$udeb" | tar -x -C "$udir" ./bin/udevadm ./lib/udev/rules.d
  touch "$udir/.done"
fi

# --- programs -------------------------------------------------------------------
rm -rf "$out" && mkdir -p "$out/bin"
for p in virtual-tablet event-reader hid-probe e2e-check; do
  g++ -std=c++20 -O2 -Wall -Wextra -Werror -static -o "$out/bin/$p" "$here/$p.cpp" || die "cannot build $p"
done

if [ "$mode" = driver ] && [ -z "$driver" ]; then
  say "building brevola-driver in $build"
  "$repo/scripts/setup.sh"
  cmake -S "$repo" -B "$build" -G Ninja -DBREVOLA_BUILD_BENCHMARKS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DBREVOLA_VENDOR_ID="$vendor" -DBREVOLA_PRODUCT_ID="$product" >/dev/null
  ninja -C "$build" -j"$(nproc)" brevola-driver >/dev/null || die "brevola-driver does not build"
  driver=$build/Classes/app/brevola-driver
fi
[ "$mode" = self-test ] || [ -x "$driver" ] || die "no driver at $driver"
# The tablet must have the ids the driver was built for: take them from its
# build's cache unless they were given.
if [ "$mode" = driver ] && [ -z "${BREVOLA_VENDOR_ID:-}${BREVOLA_PRODUCT_ID:-}" ]; then
  d=$(dirname "$driver")
  while [ "$d" != / ] && [ ! -f "$d/CMakeCache.txt" ]; do d=$(dirname "$d"); done
  if [ -f "$d/CMakeCache.txt" ]; then
    vendor=$(sed -n 's/^BREVOLA_VENDOR_ID:[A-Z]*=//p' "$d/CMakeCache.txt" | head -1)
    product=$(sed -n 's/^BREVOLA_PRODUCT_ID:[A-Z]*=//p' "$d/CMakeCache.txt" | head -1)
  fi
  vendor=${vendor:-0x3f1d}
  product=${product:-0x0a31}
fi
say "tablet ids $vendor:$product"

# --- initramfs ------------------------------------------------------------------
root=$out/root
mkdir -p "$root"/{bin,sbin,proc,sys,dev,tmp,run,root/.config,e2e/bin,lib/modules/e2e}
cp /bin/busybox "$root/bin/busybox"
cp "$here/init.sh" "$root/init" && chmod 755 "$root/init"
cp "$out"/bin/* "$root/e2e/bin/"
cp "$kdir"/lib/modules/*/kernel/drivers/hid/{hid,uhid,hid-generic}.ko \
   "$kdir"/lib/modules/*/kernel/drivers/input/{evdev,misc/uinput}.ko "$root/lib/modules/e2e/"

# Copies every shared library a program loads (and the loader), at the same
# paths, so the dynamic loader inside finds them where it looks.
copy_libs() {
  local f
  for f in $(ldd "$1" 2>/dev/null | grep -o '/[^ ]*' | sort -u); do
    [ -e "$root$f" ] || { mkdir -p "$root$(dirname "$f")"; cp -L "$f" "$root$f"; }
  done
  ! ldd "$1" | grep 'not found' || die "$(basename "$1") needs libraries that are not installed"
}
cp "$udir/bin/udevadm" "$root/bin/udevadm"
copy_libs "$udir/bin/udevadm"
mkdir -p "$root/lib/systemd" "$root/lib/udev" "$root/etc/udev/rules.d"
ln -sf /bin/udevadm "$root/lib/systemd/systemd-udevd"
cp -r "$udir/lib/udev/rules.d" "$root/lib/udev/"
cp "$repo"/udev/*.rules "$root/etc/udev/rules.d/"
# The groups the distribution's rules name, so the daemon does not complain.
echo 'root:x:0:0:root:/root:/bin/sh' >"$root/etc/passwd"
n=100
for g in input kvm render sgx audio video disk tape cdrom dialout floppy kmem tty lp; do
  echo "$g:x:$((n += 1)):"
done >"$root/etc/group"
echo 'root:x:0:' >>"$root/etc/group"
if [ "$mode" = driver ]; then
  cp "$driver" "$root/e2e/bin/brevola-driver"
  copy_libs "$driver"
  # grep reads all of ldd's output: with -q it may stop early, and pipefail
  # then counts ldd's broken pipe as no match.
  if ldd "$driver" | grep libQt6Gui >/dev/null; then
    # QGuiApplication needs a platform plugin; the VM has no display.
    plugin=/usr/lib/x86_64-linux-gnu/qt6/plugins/platforms/libqoffscreen.so
    mkdir -p "$root$(dirname "$plugin")" && cp "$plugin" "$root$plugin"
    copy_libs "$plugin"
    [ -d /etc/fonts ] && mkdir -p "$root/etc" && cp -r /etc/fonts "$root/etc/" # else fontconfig complains
  fi
fi
pen_name=${BREVOLA_E2E_PEN_NAME:-Brevola Virtual Pen}
keys_name=${BREVOLA_E2E_KEYS_NAME:-Brevola Virtual Keyboard}
mouse_name=${BREVOLA_E2E_MOUSE_NAME:-}
if [ "$mode" = self-test ]; then pen_name="e2e probe pen"; keys_name="e2e probe keys"; mouse_name=""; fi
# The tablet maps onto the middle right of the 800 x 800 offscreen display
# (x, y, width, height; the same in either vertical direction), so a driver
# that ignores the setting puts the pen outside it.
screen_area="400 200 400 400"
{
  printf 'AREA=%q\n' "$(echo $screen_area | tr ' ' ,)"
  printf 'MODE=%q\nVENDOR=%q\nPRODUCT=%q\n' "$mode" "$vendor" "$product"
  printf 'PEN_NAME=%q\nKEYS_NAME=%q\nMOUSE_NAME=%q\n' "$pen_name" "$keys_name" "$mouse_name"
} >"$root/e2e/env"
# The driver's defaults file holds the test's own shortcut document.
{
  echo '<?xml version="1.0" encoding="UTF-8"?>'
  echo '<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">'
  echo '<plist version="1.0"><dict>'
  echo '<key>com.qorn.sr.brevolaDriver.enableShortcut</key><true/>'
  echo '<key>com.qorn.sr.brevolaDriver.displayId</key><integer>0</integer>'
  printf '<key>com.qorn.sr.brevolaDriver.screenArea</key><array>'; printf '<real>%s</real>' $screen_area; echo '</array>'
  echo '<key>com.qorn.sr.brevolaDriver.shortcutSettings</key>'
  printf '<string>%s</string>\n' "$(sed 's/&/\&amp;/g; s/</\&lt;/g; s/>/\&gt;/g' "$here/shortcuts.json")"
  echo '</dict></plist>'
} >"$root/root/.config/com.qorn.sr.brevolaDriver.plist"
(cd "$root" && find . | cpio -o -H newc --quiet) >"$out/initrd.cpio"
say "initramfs: $(du -h "$out/initrd.cpio" | cut -f1) ($mode)"

# --- boot -----------------------------------------------------------------------
# Software emulation by default: KVM, where offered here, has hung at boot.
accel=${BREVOLA_E2E_ACCEL:-tcg}
say "booting $(basename "$vmlinuz") (accel $accel, timeout ${timeout_s}s)"
set +e
timeout "$timeout_s" qemu-system-x86_64 -machine "accel=$accel" -m 1024 -display none -monitor none \
  -no-reboot -kernel "$vmlinuz" -initrd "$out/initrd.cpio" \
  -append "console=ttyS0 quiet panic=-1 rdinit=/init" \
  -serial stdio -serial "file:$out/logs.raw" </dev/null | tr -d '\r' | tee "$out/console.txt"
qemu_status=${PIPESTATUS[0]}
set -e
# The VM's files, one each under logs/, for a look after a failure.
mkdir -p "$out/logs"
tr -d '\r' <"$out/logs.raw" | awk -v dir="$out/logs" '/^===== /{f=$2; sub("^/tmp/", "", f); gsub("/", "-", f); next} f{print > (dir "/" f)}'

elapsed=$(( $(date +%s) - start ))
if grep -q '^E2E-VERDICT: PASS' "$out/console.txt"; then
  say "passed in ${elapsed}s"
  grep -c '^e2e-check: \[.*\] PASS' "$out/console.txt" | sed 's/^/e2e: /; s/$/ passed, 0 failed/'
  exit 0
fi
[ "$qemu_status" -eq 124 ] && say "the virtual machine did not finish within ${timeout_s}s"
grep '^e2e-check: \[.*\] FAIL\|FAILED\|^e2e: .*FAIL' "$out/console.txt" | sed 's/^/e2e: /' >&2 || true
say "failed after ${elapsed}s; console: $out/console.txt, logs: $out/logs/" >&2
passed=$(grep -c '^e2e-check: \[.*\] PASS' "$out/console.txt" || true)
failed=$(grep -c '^e2e-check: \[.*\] FAIL' "$out/console.txt" || true)
[ "$failed" -gt 0 ] || failed=1
echo "e2e: $passed passed, $failed failed"
exit 1
