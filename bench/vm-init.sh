#!/bin/busybox sh
# init of the bench VM: mounts the kernel's file systems, loads the HID modules in an order that
# works without modules.dep, runs vmd-link-bench and powers off. Its result leaves on the serial
# console as "VMD-BENCH-EXIT <code>".
/bin/busybox --install -s /bin
export PATH=/bin:/opt/vmd/bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
mount -t tmpfs tmpfs /tmp
mount -t tmpfs tmpfs /run
for module in hid hid-generic uhid; do
  insmod "/modules/$module.ko" || echo "VMD-BENCH: insmod $module failed"
done
[ -c /dev/uhid ] || echo "VMD-BENCH: /dev/uhid is missing"
echo "VMD-BENCH-START $(cut -d' ' -f1 /proc/uptime)"
mkdir -p /tmp/bench /tmp/runtime
chmod 700 /tmp/runtime
export HOME=/tmp XDG_RUNTIME_DIR=/tmp/runtime QT_QPA_PLATFORM=offscreen
export QT_PLUGIN_PATH="$(cat /qt-plugin-path)"
set --
while IFS= read -r arg; do [ -n "$arg" ] && set -- "$@" "$arg"; done </bench-args
vmd-link-bench --sim /opt/vmd/bin/vmd220-sim --ctl /opt/vmd/bin/vmd220ctl --work /tmp/bench "$@"
echo "VMD-BENCH-EXIT $?"
sync
poweroff -f
