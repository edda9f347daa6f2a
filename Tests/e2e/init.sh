#!/bin/busybox sh
# /init of the end-to-end test's virtual machine. Loads the HID and input
# modules, starts the event reader and the driver (or the stand-in probe),
# lets the virtual tablet play its script with one replug, judges the result
# and powers off. The verdict line on the console is what run.sh reads; every
# log goes to the second serial port, which run.sh keeps as a file.
/bin/busybox --install -s /bin
export PATH=/bin:/sbin

mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
mkdir -p /tmp /run && mount -t tmpfs tmpfs /tmp && mount -t tmpfs tmpfs /run

. /e2e/env

say() { echo "e2e: [$(cut -d" " -f1 /proc/uptime)s] $*"; }

finish() { # verdict: PASS or FAIL
    for f in /tmp/tablet.out /tmp/tablet.txt /tmp/reader.out /tmp/events.txt /tmp/driver.log /tmp/check.out; do
        [ -f "$f" ] || continue
        echo "===== $f" >/dev/ttyS1
        cat "$f" >/dev/ttyS1
    done
    echo "===== dmesg" >/dev/ttyS1
    dmesg >/dev/ttyS1
    echo "E2E-VERDICT: $1"
    sync
    poweroff -f
}

abort() { say "FAIL: $*"; finish FAIL; }

for m in hid uhid hid-generic evdev uinput; do
    insmod "/lib/modules/e2e/$m.ko" || abort "cannot load kernel module $m"
done
[ -c /dev/uhid ] || abort "no /dev/uhid"
[ -c /dev/uinput ] || abort "no /dev/uinput"
say "modules loaded: $(cut -d' ' -f1 /proc/modules | tr '\n' ' ')"

export HOME=/root XDG_CONFIG_HOME=/root/.config XDG_RUNTIME_DIR=/run/user/0
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=offscreen

set -- --device "pen=$PEN_NAME" --device "keys=$KEYS_NAME"
[ -n "$MOUSE_NAME" ] && set -- "$@" --device "mouse=$MOUSE_NAME"
/e2e/bin/event-reader "$@" --out /tmp/events.txt --ready-file /tmp/reader.ready --wait-ms 20000 \
    >/tmp/reader.out 2>&1 &
reader=$!

if [ "$MODE" = self-test ]; then
    /e2e/bin/hid-probe --vendor "$VENDOR" --product "$PRODUCT" --area "$AREA" >/tmp/driver.log 2>&1 &
else
    /e2e/bin/brevola-driver >/tmp/driver.log 2>&1 &
fi
driver=$!
say "started $MODE (pid $driver) and the event reader (pid $reader)"

i=0
while [ ! -f /tmp/reader.ready ] && [ $i -lt 300 ]; do sleep 0.1; i=$((i + 1)); done
cat /tmp/reader.out

/e2e/bin/virtual-tablet --vendor "$VENDOR" --product "$PRODUCT" --out /tmp/tablet.txt >/tmp/tablet.out 2>&1 &
tablet=$!
# What the kernel says about the tablet's HID device: the driver matches on it.
i=0
while [ ! -f /sys/class/hidraw/hidraw0/device/uevent ] && [ $i -lt 100 ]; do sleep 0.05; i=$((i + 1)); done
say "hidraw0 device uevent: $(tr '\n' ' ' </sys/class/hidraw/hidraw0/device/uevent 2>/dev/null)"
wait $tablet
tablet_status=$?
cat /tmp/tablet.out
sleep 1 # the shortcut executor runs after the reports; let it finish

if kill -0 $driver 2>/dev/null; then
    kill -TERM $driver
    i=0
    while kill -0 $driver 2>/dev/null && [ $i -lt 50 ]; do sleep 0.1; i=$((i + 1)); done
    if kill -0 $driver 2>/dev/null; then
        say "the driver did not stop within 5 s of SIGTERM"
        kill -KILL $driver
    fi
else
    say "the driver was gone before the end of the test"
fi
wait $driver
driver_status=$?
kill -TERM $reader
wait $reader
reader_status=$?
cat /tmp/reader.out | grep -v '^event-reader: /dev/input\|^event-reader: recording\|^event-reader: ready'
say "driver log:"
sed 's/^/  | /' /tmp/driver.log

/e2e/bin/e2e-check --events /tmp/events.txt --tablet /tmp/tablet.txt --driver-log /tmp/driver.log \
    --connections 2 --pen pen ${AREA:+--area "$AREA"} \
    --exit "driver=$driver_status" --exit "virtual-tablet=$tablet_status" --exit "event-reader=$reader_status" \
    >/tmp/check.out 2>&1
check_status=$?
cat /tmp/check.out
if [ $check_status -eq 0 ]; then finish PASS; else finish FAIL; fi
