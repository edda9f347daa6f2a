#!/bin/busybox sh
# /init of the end-to-end test's virtual machine. Loads the HID and input
# modules, then plays the scenario once per way of learning about hot-plug:
# first with no udev daemon (the kernel's own uevents), the tablet plugged in
# after the driver started; then with the distribution's udev daemon running,
# the tablet plugged in before the driver starts. Each time it starts the
# event reader, the driver (or the stand-in probe) and the virtual tablet,
# which plays its script with one replug, steps with this script through
# files (the first unplug, the end of its reports), and last sends reports on
# its own event node once the driver has stopped; then judges the result, the
# driver's recording of the tablet and its grab of the event node included. The verdict line on the console is
# what run.sh reads; every log goes to the second serial port, which run.sh
# keeps as files.
/bin/busybox --install -s /bin
export PATH=/bin:/sbin

mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
mkdir -p /tmp /run && mount -t tmpfs tmpfs /tmp && mount -t tmpfs tmpfs /run

. /e2e/env

say() { echo "e2e: [$(cut -d" " -f1 /proc/uptime)s] $*"; }

finish() { # verdict: PASS or FAIL
    for f in /tmp/*/* /tmp/udevd.log; do
        [ -f "$f" ] || continue
        echo "===== $f" >/dev/ttyS1
        cat "$f" >/dev/ttyS1
    done
    echo "===== /tmp/dmesg" >/dev/ttyS1
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

# A child that has exited stays a zombie until waited for: look at its state.
alive() { grep -q '^State:.*[RSD]' "/proc/$1/status" 2>/dev/null; }

# Waits up to 60 s for a command to succeed, while the process it waits on lives.
wait_until() { # pid, command...
    pid=$1
    shift
    i=0
    while ! "$@" && alive "$pid" && [ $i -lt 600 ]; do sleep 0.1; i=$((i + 1)); done
}

# Stops a child process: SIGTERM, then SIGKILL after 15 s (a sanitizer
# build's exit takes seconds under emulation on a busy machine); its exit
# status goes to $stopped.
stop() {
    if kill -0 "$1" 2>/dev/null; then
        say "stopping $2"
        kill -TERM "$1"
        i=0
        while alive "$1" && [ $i -lt 150 ]; do
            sleep 0.1
            i=$((i + 1))
        done
        if alive "$1"; then
            say "$2 did not stop within 15 s of SIGTERM"
            kill -KILL "$1"
        fi
    else
        say "$2 was gone before the end of the test"
    fi
    wait "$1"
    stopped=$?
    say "$2 ended with status $stopped"
}

start_driver() {
    if [ "$MODE" = self-test ]; then
        /e2e/bin/hid-probe --vendor "$VENDOR" --product "$PRODUCT" --area "$AREA" >"$dir/driver.log" 2>&1 &
    else
        # The driver alone: this machine has no display for the tray application.
        /e2e/bin/brevola-driver --headless --record "$dir/recording.txt" >"$dir/driver.log" 2>&1 &
    fi
    driver=$!
}

start_tablet() {
    /e2e/bin/virtual-tablet --vendor "$VENDOR" --product "$PRODUCT" --out "$dir/tablet.txt" \
        --sync "$dir" >"$dir/tablet.out" 2>&1 &
    tablet=$!
}

wait_for_hidraw() {
    i=0
    while [ ! -f /sys/class/hidraw/hidraw0/device/uevent ] && [ $i -lt 100 ]; do sleep 0.05; i=$((i + 1)); done
}

scenario() { # name, order (driver-first or tablet-first); writes into /tmp/<name>/
    name=$1
    order=$2
    dir=/tmp/$name
    mkdir -p "$dir"
    say "--- scenario: $name ($order)"
    set -- --device "pen=$PEN_NAME" --device "keys=$KEYS_NAME"
    [ -n "$MOUSE_NAME" ] && set -- "$@" --device "mouse=$MOUSE_NAME"
    /e2e/bin/event-reader "$@" --out "$dir/events.txt" --ready-file "$dir/reader.ready" --wait-ms 20000 \
        >"$dir/reader.out" 2>&1 &
    reader=$!

    # The tablet waits for the mode command, and then for the reader, to play.
    if [ "$order" = tablet-first ]; then
        start_tablet
        wait_for_hidraw
        start_driver
    else
        start_driver
        wait_until $reader [ -e "$dir/reader.ready" ]
        start_tablet
        wait_for_hidraw
    fi
    say "started the event reader (pid $reader), the $MODE (pid $driver) and the tablet (pid $tablet)"
    # What the kernel says about the tablet's HID device: the driver matches on it.
    say "hidraw0 device uevent: $(tr '\n' ' ' </sys/class/hidraw/hidraw0/device/uevent 2>/dev/null)"
    # The recording as it stands once the driver saw the first unplug, before the replug.
    wait_until $tablet [ -e "$dir/unplugged" ]
    wait_until $driver grep -q "tablet removed - cleaned up references" "$dir/driver.log"
    cp "$dir/recording.txt" "$dir/recording-at-unplug.txt" 2>/dev/null
    touch "$dir/replug"
    # The driver stops with the tablet plugged in, which then sends once more.
    wait_until $tablet [ -e "$dir/played" ]
    sleep 1 # the driver reads the last reports
    stop $driver "the driver"
    driver_status=$stopped
    touch "$dir/driver.stopped"
    wait $tablet
    tablet_status=$?
    cat "$dir/tablet.out"
    stop $reader "the event reader"
    reader_status=$stopped
    cat "$dir/reader.out"
    say "driver log:"
    sed 's/^/  | /' "$dir/driver.log"

    recording=""
    [ "$MODE" != self-test ] && recording="--recording $dir/recording.txt --recording-at-unplug $dir/recording-at-unplug.txt"
    /e2e/bin/e2e-check --events "$dir/events.txt" --tablet "$dir/tablet.txt" --driver-log "$dir/driver.log" \
        --pen pen --area "$AREA" $recording \
        --exit "driver=$driver_status" --exit "virtual-tablet=$tablet_status" --exit "event-reader=$reader_status" \
        >"$dir/check.out" 2>&1
    status=$?
    sed "s/^e2e-check: /e2e-check: [$name] /" "$dir/check.out"
    return $status
}

verdict=PASS
scenario kernel-uevents driver-first || verdict=FAIL

# The same with the udev daemon, whose events the driver then follows.
if [ -x /bin/udevadm ]; then
    mkdir -p /run/udev
    /lib/systemd/systemd-udevd --daemon >/tmp/udevd.log 2>&1
    udevadm trigger --action=add >/dev/null 2>&1
    udevadm settle --timeout=20
    if [ -e /run/udev/control ]; then
        scenario udev-daemon tablet-first || verdict=FAIL
    else
        say "FAIL: the udev daemon did not start"
        verdict=FAIL
    fi
else
    say "FAIL: no udevadm in the image"
    verdict=FAIL
fi
finish $verdict
