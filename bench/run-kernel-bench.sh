#!/usr/bin/env bash
# The real-kernel bench: boots a Debian cloud kernel under qemu (software emulation) with a small
# initramfs holding busybox, the hid, hid-generic and uhid modules and the project's own binaries
# built on the host, runs vmd-link-bench there against vmd220-sim over uhid -> hid-generic -> hidraw,
# and reads the result back from the serial console.
#
#   bench/run-kernel-bench.sh [BUILD_DIR] [-- ARGS FOR vmd-link-bench]
#
# BUILD_DIR (default build/ci) must hold sim/vmd220-sim, bench/vmd-link-bench and cli/vmd220ctl.
# Environment: VMD_BENCH_CACHE (downloads and extracted packages, default ~/.cache/vmd220-bench),
# VMD_BENCH_TIMEOUT (seconds for the whole boot, default 420), VMD_BENCH_LOG (serial log file,
# default BUILD_DIR/bench/kernel-bench.log).
# Exits 0 only when the VM booted, ran every scenario and reported success.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
repo="$(cd "$here/.." && pwd)"
build="${1:-$repo/build/ci}"
[ "$#" -gt 0 ] && shift
[ "${1:-}" = "--" ] && shift
bench_args=("$@")
build="$(cd "$build" && pwd)"
cache="${VMD_BENCH_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/vmd220-bench}"
timeout_s="${VMD_BENCH_TIMEOUT:-420}"
log="${VMD_BENCH_LOG:-$build/bench/kernel-bench.log}"

say() { printf 'kernel-bench: %s\n' "$*" >&2; }
die() { say "FAILED: $*"; exit 1; }

binaries=("$build/sim/vmd220-sim" "$build/bench/vmd-link-bench" "$build/cli/vmd220ctl")
for binary in "${binaries[@]}"; do
  [ -x "$binary" ] ||
    die "$binary is missing: build the targets vmd220-sim, vmd-link-bench and vmd220ctl"
done

# --- tools -------------------------------------------------------------------------------------
apt_updated=0
apt_update() {
  if [ "$apt_updated" -eq 0 ]; then
    DEBIAN_FRONTEND=noninteractive apt-get update -qq || die "apt-get update failed"
    apt_updated=1
  fi
}
need=()
command -v qemu-system-x86_64 >/dev/null || need+=(qemu-system-x86)
command -v cpio >/dev/null || need+=(cpio)
command -v ldd >/dev/null || need+=(libc-bin)
if [ "${#need[@]}" -gt 0 ]; then
  [ "$(id -u)" -eq 0 ] || die "needs ${need[*]} (install them, or run as root)"
  say "installing ${need[*]}"
  apt_update
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${need[@]}" \
    >/dev/null || die "apt-get install ${need[*]} failed"
fi

# --- kernel and busybox, downloaded once (not installed) ----------------------------------------
mkdir -p "$cache"
kernel_package() {
  apt-cache depends linux-image-cloud-amd64 2>/dev/null |
    awk '/Depends: linux-image-[0-9]/ {print $2; exit}'
}
kpkg="$(kernel_package)"
if [ -z "$kpkg" ]; then
  apt_update
  kpkg="$(kernel_package)"
fi
[ -n "$kpkg" ] || die "no Debian cloud kernel package found (apt-cache depends linux-image-cloud-amd64)"
fetch() {  # package name -> path of its .deb in the cache
  local name="$1" deb
  deb="$(ls "$cache/${name}"_*.deb 2>/dev/null | head -n 1 || true)"
  if [ -z "$deb" ]; then
    say "downloading $name"
    (cd "$cache" && apt-get download -qq "$name" 2>/dev/null) ||
      { apt_update; (cd "$cache" && apt-get download -qq "$name" 2>/dev/null); } ||
      die "apt-get download $name failed"
    deb="$(ls "$cache/${name}"_*.deb | head -n 1)"
  fi
  printf '%s\n' "$deb"
}
kdeb="$(fetch "$kpkg")"
bdeb="$(fetch busybox-static)"
root_pkgs="$cache/extracted-$kpkg"
if [ ! -f "$root_pkgs/.done" ]; then
  rm -rf "$root_pkgs"
  mkdir -p "$root_pkgs"
  dpkg-deb -x "$kdeb" "$root_pkgs"
  dpkg-deb -x "$bdeb" "$root_pkgs"
  touch "$root_pkgs/.done"
fi
kernel="$(ls "$root_pkgs"/boot/vmlinuz-* | head -n 1)"
moddir="$(ls -d "$root_pkgs"/lib/modules/*/kernel/drivers/hid | head -n 1)"
busybox="$root_pkgs/bin/busybox"
[ -f "$kernel" ] && [ -x "$busybox" ] || die "kernel or busybox missing in $root_pkgs"

# --- initramfs -----------------------------------------------------------------------------------
work="$(mktemp -d "${TMPDIR:-/tmp}/vmd220-bench.XXXXXX")"
trap 'rm -rf "$work"' EXIT
rootfs="$work/root"
mkdir -p "$rootfs"/{bin,modules,opt/vmd/bin,proc,sys,dev,tmp,run,etc}
cp "$busybox" "$rootfs/bin/busybox"
for module in hid hid-generic uhid; do
  src="$(ls "$moddir/$module".ko* | head -n 1)"
  case "$src" in
    *.ko) cp "$src" "$rootfs/modules/$module.ko" ;;
    *.ko.xz) xz -dc "$src" >"$rootfs/modules/$module.ko" ;;
    *.ko.zst) zstd -qdc "$src" >"$rootfs/modules/$module.ko" ;;
    *) die "module $module not found in $moddir" ;;
  esac
done
copy_with_libraries() {  # binary -> /opt/vmd/bin, its shared libraries at their host paths
  local binary="$1" lib
  cp "$binary" "$rootfs/opt/vmd/bin/"
  while read -r lib; do
    [ -n "$lib" ] || continue
    mkdir -p "$rootfs$(dirname "$lib")"
    cp -L "$lib" "$rootfs$lib"
  done < <(ldd "$binary" | awk '/=> \// {print $3} /^[ \t]*\/.*ld-linux/ {print $1}')
}
for binary in "${binaries[@]}"; do copy_with_libraries "$binary"; done
# The window runs on Qt's offscreen platform: its plugin, and fonts for the labels.
qtcore="$(ldd "$build/bench/vmd-link-bench" | awk '/libQt6Core/ {print $3; exit}')"
[ -n "$qtcore" ] || die "vmd-link-bench is not linked to Qt 6"
plugin="$(dirname "$qtcore")/qt6/plugins/platforms/libqoffscreen.so"
[ -f "$plugin" ] || die "Qt's offscreen platform plugin is missing ($plugin)"
mkdir -p "$rootfs$(dirname "$plugin")"
cp "$plugin" "$rootfs$plugin"
dirname "$(dirname "$plugin")" >"$rootfs/qt-plugin-path"
while read -r lib; do
  [ -e "$rootfs$lib" ] && continue
  mkdir -p "$rootfs$(dirname "$lib")"
  cp -L "$lib" "$rootfs$lib"
done < <(ldd "$plugin" | awk '/=> \// {print $3}')
for fonts in /etc/fonts /usr/share/fonts/truetype/dejavu /usr/share/fonts/truetype/wine; do
  if [ -d "$fonts" ]; then
    mkdir -p "$rootfs$(dirname "$fonts")"
    cp -rL "$fonts" "$rootfs$fonts"
  fi
done
printf 'root:x:0:0:root:/tmp:/bin/sh\nnobody:x:65534:65534:nobody:/nonexistent:/bin/false\n' \
  >"$rootfs/etc/passwd"
printf 'root:x:0:\nnogroup:x:65534:\n' >"$rootfs/etc/group"
printf '%s\n' "${bench_args[@]}" >"$rootfs/bench-args"
cp "$here/vm-init.sh" "$rootfs/init"
chmod 755 "$rootfs/init"
(cd "$rootfs" && find . | cpio -o -H newc --quiet) >"$work/initrd.cpio"

# --- boot ------------------------------------------------------------------------------------------
mkdir -p "$(dirname "$log")"
say "booting $(basename "$kernel") with $(du -h "$work/initrd.cpio" | cut -f1) initramfs (time-out ${timeout_s}s)"
start=$(date +%s)
set +e
timeout -k 10 "$timeout_s" qemu-system-x86_64 -accel tcg -cpu max -m 1024 -smp 1 \
  -nographic -no-reboot -nic none -monitor none -serial stdio \
  -kernel "$kernel" -initrd "$work/initrd.cpio" \
  -append "console=ttyS0 rdinit=/init panic=-1 quiet loglevel=3" </dev/null | tee "$log"
qemu_rc=${PIPESTATUS[0]}
set -e
elapsed=$(($(date +%s) - start))
[ "$qemu_rc" -eq 124 ] || [ "$qemu_rc" -eq 137 ] && die "time-out after ${elapsed}s (log: $log)"
[ "$qemu_rc" -eq 0 ] || die "qemu exited with $qemu_rc after ${elapsed}s (log: $log)"
grep -aq 'VMD-BENCH-START' "$log" || die "the VM did not reach the bench after ${elapsed}s (log: $log)"
result="$(grep -a -o 'VMD-BENCH-EXIT [0-9]*' "$log" | tail -n 1 | awk '{print $2}')"
[ -n "$result" ] || die "the bench did not finish in the VM after ${elapsed}s (log: $log)"
[ "$result" -eq 0 ] || die "the bench reported failures (exit $result) after ${elapsed}s (log: $log)"
say "passed in ${elapsed}s"
