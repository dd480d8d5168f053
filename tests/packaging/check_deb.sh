#!/usr/bin/env bash
# Builds the Debian package from a build tree, installs it into a scratch root with dpkg, checks what
# was installed, runs the maintainer scripts the way a running system would, and removes the package
# again. See tests/packaging/CMakeLists.txt for how it is run.
#
# The package is installed with `dpkg --root` (its own status database, --force-depends because the
# scratch root holds none of the libraries, --force-script-chrootless because the scratch root has no
# shell to chroot into): dpkg unpacks, registers and configures it exactly as on a system, and the
# maintainer scripts run with DPKG_ROOT set, which they must take as "not the running system".
set -euo pipefail

cpack="" build_dir="" source_dir="" work_dir="" package="" version="" udev_rules_dir=""
while [ "$#" -gt 0 ]; do
  case "$1" in
    --cpack) cpack=$2 ;;
    --build-dir) build_dir=$2 ;;
    --source-dir) source_dir=$2 ;;
    --work-dir) work_dir=$2 ;;
    --package) package=$2 ;;
    --version) version=$2 ;;
    --udev-rules-dir) udev_rules_dir=$2 ;;
    *) echo "unknown argument $1" >&2; exit 2 ;;
  esac
  shift 2
done
for value in cpack build_dir source_dir work_dir package version udev_rules_dir; do
  [ -n "${!value}" ] || { echo "missing --${value//_/-}" >&2; exit 2; }
done

if [ "$(id -u)" -ne 0 ]; then
  echo "SKIPPED: installing into a scratch root with dpkg and the mount namespace for udevadm need root"
  exit 77
fi

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
step() { printf -- '--- %s\n' "$*"; }
need() {
  command -v "$1" >/dev/null 2>&1 || { echo "FAIL: $1 is missing (package $2; bash scripts/install-deps.sh --packaging)" >&2; exit 1; }
}
need dpkg dpkg
need apt-get apt
need dpkg-deb dpkg
need dpkg-shlibdeps dpkg-dev
need readelf binutils
need udevadm udev
need desktop-file-validate desktop-file-utils
need appstreamcli appstream
need unshare util-linux
need python3 python3

rm -rf "$work_dir"
mkdir -p "$work_dir/out" "$work_dir/fakebin"
root="$work_dir/root"
udevadm_log="$work_dir/udevadm.log"
: >"$udevadm_log"

# Stands in for udevadm when the maintainer scripts run, so that they never touch the machine's udev.
cat >"$work_dir/fakebin/udevadm" <<EOF
#!/bin/sh
echo "\$*" >>"$udevadm_log"
exit \${FAKE_UDEVADM_STATUS:-0}
EOF
chmod 755 "$work_dir/fakebin/udevadm"

step "building the package with cpack"
"$cpack" -G DEB --config "$build_dir/CPackConfig.cmake" -B "$work_dir/out" >"$work_dir/cpack.log" 2>&1 || {
  cat "$work_dir/cpack.log" >&2; echo "FAIL: cpack" >&2; exit 1; }
shopt -s nullglob
debs=("$work_dir/out/"*.deb)
[ "${#debs[@]}" -eq 1 ] || { echo "FAIL: expected one .deb, found ${#debs[@]}" >&2; exit 1; }
deb=${debs[0]}
arch=$(dpkg --print-architecture)
[ "$(basename "$deb")" = "${package}_${version}_${arch}.deb" ] ||
  fail "package file is $(basename "$deb"), expected ${package}_${version}_${arch}.deb"

step "control data"
field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = "$package" ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', the project is $version"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture is '$(field Architecture)'"
depends=$(field Depends)
echo "Depends: $depends"
echo "Recommends: $(field Recommends)"
names() { sed 's/ *([^)]*)//g; s/, */\n/g' <<<"$1"; }  # the package names of a relation field
for library in libqt6widgets6 libqt6gui6 libqt6core6 libhidapi-hidraw0 libudev1 libc6 libstdc++6; do
  names "$depends" | grep -Fxq "$library" || fail "Depends lacks $library"
done
names "$(field Recommends)" | grep -Fxq fonts-wine || fail "Recommends lacks fonts-wine"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ "$(field Description | head -n 1)" != "" ] || fail "no short description"
dpkg-deb --ctrl-tarfile "$deb" | tar -tvf - >"$work_dir/control.list"
for script in postinst postrm; do
  grep -Eq "^-rwxr-xr-x root/root .* \./$script\$" "$work_dir/control.list" ||
    fail "$script missing from the control files or not 0755 root/root"
done

step "apt resolves the package's dependencies on this system (simulated install)"
# What `apt install ./<package>.deb` does, without changing anything: every dependency must be
# installed or installable from the configured Debian archive.
apt-get install --simulate --quiet "$deb" >"$work_dir/apt-simulate.log" 2>&1 &&
  grep -q "^Inst $package " "$work_dir/apt-simulate.log" ||
  { cat "$work_dir/apt-simulate.log" >&2; fail "apt cannot install the package"; }

step "file list, owners and modes"
rules_path=$udev_rules_dir
case "$rules_path" in /*) ;; *) rules_path="/usr/$rules_path" ;; esac
expected_files=(
  "/usr/bin/vmd220-pc 755"
  "/usr/bin/vmd220ctl 755"
  "/usr/share/man/man1/vmd220ctl.1 644"
  "${rules_path%/}/70-vmd220.rules 644"
  "/usr/share/applications/vmd220-monitor.desktop 644"
  "/usr/share/icons/hicolor/48x48/apps/vmd220-monitor.png 644"
  "/usr/share/icons/hicolor/scalable/apps/vmd220-monitor.svg 644"
  "/usr/share/metainfo/org.vmd220.monitor.metainfo.xml 644"
)
printf '%s\n' "${expected_files[@]}" | sort >"$work_dir/files.expected"
dpkg-deb --fsys-tarfile "$deb" | tar -tvf - >"$work_dir/data.list"
python3 - "$work_dir/data.list" >"$work_dir/files.actual" <<'EOF' || fail "unreadable data listing"
import sys
modes = {"r": 4, "w": 2, "x": 1, "-": 0}
for line in open(sys.argv[1]):
    perms, owner, _size, _date, _time, name = line.split(None, 5)
    name = name.rstrip("\n").removeprefix(".")
    if owner != "root/root":
        print(f"{name} owned by {owner}")
    if perms[0] == "d":
        continue
    mode = "".join(str(sum(modes[c] for c in perms[i:i + 3])) for i in (1, 4, 7))
    print(f"{name} {mode}" if perms[0] == "-" else f"{name} type {perms[0]}")
EOF
sort -o "$work_dir/files.actual" "$work_dir/files.actual"
diff -u "$work_dir/files.expected" "$work_dir/files.actual" || fail "the package's files differ from the list above"

step "installing into a scratch root with dpkg --root"
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/triggers"
: >"$root/var/lib/dpkg/status"
: >"$root/var/lib/dpkg/available"
dpkg_root() {
  PATH="$work_dir/fakebin:$PATH" dpkg --root="$root" --log=/dev/null --force-depends \
    --force-script-chrootless --force-not-root "$@"
}
dpkg_root -i "$deb" >"$work_dir/dpkg-install.log" 2>&1 || { cat "$work_dir/dpkg-install.log" >&2; fail "dpkg -i"; }
status=$(dpkg --root="$root" -s "$package" 2>/dev/null | sed -n 's/^Status: //p')
[ "$status" = "install ok installed" ] || fail "status after installing is '$status'"
[ ! -s "$udevadm_log" ] || fail "postinst called udevadm while installing into another root: $(cat "$udevadm_log")"

step "installed files"
python3 "$(dirname "$0")/check_installed_files.py" --root "$root" --source-dir "$source_dir" \
  --version "$version" --rules "${rules_path%/}/70-vmd220.rules" || fail "installed files"
if readelf -d "$root/usr/bin/vmd220-pc" | grep -E 'R(UN)?PATH' | grep -q "$build_dir"; then
  fail "vmd220-pc keeps a run path into the build tree"
fi
desktop-file-validate "$root/usr/share/applications/vmd220-monitor.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.vmd220.monitor.metainfo.xml" ||
  fail "appstreamcli validate"

step "udev reads the rule without complaint"
# udev in Debian 12 (systemd 252) has no `udevadm verify`; where it exists it is used. Otherwise
# `udevadm test` loads the rules, in a private mount namespace where the rule directories hold only
# the installed rule and /run is empty, so the machine's udev state is not touched. Every message
# udev prints about the file is a fault (invalid key, operator or value, a line that has no effect).
rules_file="$root${rules_path%/}/70-vmd220.rules"
if udevadm verify --help >/dev/null 2>&1; then
  udevadm verify --resolve-names=never "$rules_file" || fail "udevadm verify"
else
  mkdir -p "$work_dir/rules.d"
  cp "$rules_file" "$work_dir/rules.d/"
  test_device=/sys/class/net/lo
  [ -e "$test_device" ] || test_device=/sys/devices/virtual/mem/null
  unshare --mount --propagation private sh -s "$work_dir/rules.d" "$test_device" >"$work_dir/udevadm-test.log" 2>&1 <<'EOF' ||
set -e
mount -t tmpfs tmpfs /run
for dir in /etc/udev/rules.d /lib/udev/rules.d /usr/lib/udev/rules.d /usr/local/lib/udev/rules.d; do
  [ -d "$dir" ] && mount -t tmpfs tmpfs "$dir"
done
mount --bind "$1" /usr/lib/udev/rules.d
udevadm test --action=add "$2"
EOF
    { cat "$work_dir/udevadm-test.log" >&2; fail "udevadm test did not run"; }
  grep -q "^Reading rules file: .*/70-vmd220.rules" "$work_dir/udevadm-test.log" ||
    fail "udevadm test did not read the rule: $(cat "$work_dir/udevadm-test.log")"
  if grep "70-vmd220.rules" "$work_dir/udevadm-test.log" | grep -v "^Reading rules file:"; then
    fail "udev complains about the rule (above)"
  fi
fi

step "maintainer scripts on a running system"
# A private mount namespace gives a /run of its own: with /run/udev/control present (udevd running)
# postinst must reload the rules and re-trigger hidraw devices, without it do nothing; a failing
# udevadm must not fail the installation.
dpkg-deb --control "$deb" "$work_dir/control"
run_script() {  # run_script <script> <argument> <udevd running: yes/no> [udevadm exit status]
  : >"$udevadm_log"
  unshare --mount --propagation private sh -s "$@" <<EOF
set -e
mount -t tmpfs tmpfs /run
mkdir -p /run/udev
[ "\$3" = yes ] && : >/run/udev/control
PATH="$work_dir/fakebin:\$PATH" FAKE_UDEVADM_STATUS="\${4:-0}" DPKG_ROOT= "$work_dir/control/\$1" "\$2"
EOF
}
run_script postinst configure yes || fail "postinst configure failed"
printf 'control --reload-rules\ntrigger --action=change --subsystem-match=hidraw\n' >"$work_dir/udevadm.expected"
diff -u "$work_dir/udevadm.expected" "$udevadm_log" || fail "postinst configure: udevadm calls differ"
run_script postinst configure no || fail "postinst configure without udevd failed"
[ ! -s "$udevadm_log" ] || fail "postinst called udevadm with no udevd running: $(cat "$udevadm_log")"
run_script postinst configure yes 1 || fail "postinst failed because udevadm failed"
run_script postrm remove yes || fail "postrm remove failed"
echo "control --reload-rules" | diff -u - "$udevadm_log" || fail "postrm remove: udevadm calls differ"
run_script postrm upgrade yes || fail "postrm upgrade failed"
[ ! -s "$udevadm_log" ] || fail "postrm upgrade called udevadm: $(cat "$udevadm_log")"

step "removing the package from the scratch root"
: >"$udevadm_log"
dpkg_root --purge "$package" >"$work_dir/dpkg-purge.log" 2>&1 || { cat "$work_dir/dpkg-purge.log" >&2; fail "dpkg --purge"; }
left=$(find "$root" -type f ! -path "$root/var/lib/dpkg/*" | sed "s|^$root||")
[ -z "$left" ] || fail "files left after purging: $left"
[ ! -s "$udevadm_log" ] || fail "postrm called udevadm while removing from another root: $(cat "$udevadm_log")"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "package $(basename "$deb") checked"
