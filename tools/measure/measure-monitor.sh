#!/usr/bin/env bash
# Measures the real monitor window under Xvfb, connected to a simulated VMD220 that answers the
# program's requests (vmd220-pc-simulated, built here in RelWithDebInfo as the release is), and
# prints: CPU share of one core (from /proc/<pid>/stat), peak RSS (VmHWM), time from launch to the
# first shown frame, repaints per second with values steady and with values changing (and how many
# of them repainted a control whose content had not changed), and the time from a status report
# being read on the read thread to its record being updated on the main thread (median, 99th
# percentile). A last run has the driver send 1,000 status reports a second on top of its replies:
# no backlog may build up and every report must reach the records.
#
#   bash tools/measure/measure-monitor.sh [--build-dir DIR] [--seconds N] [--warmup W]
#
# --seconds: length of each measured window (default 30; 15 for the 1,000/s run), after --warmup
# seconds (default 3) of start-up. Needs xvfb (scripts/install-deps.sh installs it). Not part of
# the tests: the figures depend on the machine.
set -euo pipefail
cd "$(dirname "$0")/../.."
build_dir=build/measure
window=30
warmup=3
while [ "$#" -gt 0 ]; do
  case "$1" in
    --build-dir) build_dir=$2; shift 2 ;;
    --seconds) window=$2; shift 2 ;;
    --warmup) warmup=$2; shift 2 ;;
    -h|--help) sed -n '2,17p' "$0"; exit 0 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done

bash scripts/install-deps.sh  # xvfb among the rest
if [ ! -f "$build_dir/CMakeCache.txt" ]; then
  cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVMD_BUILD_TESTS=OFF \
    >/dev/null
fi
cmake --build "$build_dir" -j "$(nproc)" --target vmd220-pc-simulated >/dev/null
program=$build_dir/tools/measure/vmd220-pc-simulated

scratch=$(mktemp -d)
xvfb_pid=
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT

# A display of its own: Xvfb picks a free number and writes it to fd 3.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$scratch/display" 2>"$scratch/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$scratch/display" ] && break; sleep 0.05; done
[ -s "$scratch/display" ] || { echo "Xvfb did not start:"; cat "$scratch/xvfb.log"; exit 1; }
export DISPLAY=:$(cat "$scratch/display")
export QT_QPA_PLATFORM=xcb
unset QT_SCALE_FACTOR

ticks_per_s=$(getconf CLK_TCK)
cpu_ticks() { # utime + stime of a process or thread (/proc/PID or /proc/PID/task/TID), in ticks
  local stat
  stat=$(cat "$1/stat")
  stat=${stat##*) }  # the fields after the command name
  awk '{ print $12 + $13 }' <<<"$stat"
}
# One line per thread: TID NAME TICKS (spaces in names become _).
thread_ticks() {
  local task
  for task in /proc/"$1"/task/*; do
    printf '%s %s %s\n' "${task##*/}" "$(tr ' ' _ <"$task/comm")" "$(cpu_ticks "$task")"
  done 2>/dev/null | LC_ALL=C sort
}
now_ns() { date +%s%N; }
stat_of() { sed -n "s/^$2=//p" "$1"; }

# run NAME SECONDS ARGS...: one run of the program; leaves NAME.stats and NAME.measure.
run() {
  local name=$1 seconds=$2
  shift 2
  local launch pid c0 c1 m0 m1 w0 w1
  launch=$(now_ns)
  "$program" "$@" --warmup "$warmup" --seconds "$(awk -v a="$warmup" -v b="$seconds" 'BEGIN { print a + b + 0.5 }')" \
    --stats "$scratch/$name.stats" >"$scratch/$name.log" 2>&1 &
  pid=$!
  sleep "$warmup"
  c0=$(cpu_ticks "/proc/$pid"); m0=$(cpu_ticks "/proc/$pid/task/$pid"); w0=$(now_ns)
  thread_ticks "$pid" >"$scratch/$name.threads0"
  sleep "$seconds"
  c1=$(cpu_ticks "/proc/$pid"); m1=$(cpu_ticks "/proc/$pid/task/$pid"); w1=$(now_ns)
  thread_ticks "$pid" >"$scratch/$name.threads1"
  # CPU per thread over the window, in ms: main, the read thread (unnamed), Qt's own threads and
  # the simulated driver's stream (sim-stream, not the monitor's).
  LC_ALL=C join "$scratch/$name.threads0" "$scratch/$name.threads1" |
    awk -v pid="$pid" -v main_name="$(tr ' ' _ <"/proc/$pid/comm")" -v hz="$ticks_per_s" '{
      name = ($1 == pid) ? "main" : ($2 == main_name ? "read" : $2); d = ($5 - $3) * 1000 / hz
      if (d > 0) printf "%s%s=%dms", (n++ ? " " : ""), name, d } END { print "" }' \
    >"$scratch/$name.threads"
  local hwm
  hwm=$(awk '/^VmHWM:/ { print $2 }' "/proc/$pid/status")
  wait "$pid" || { echo "run $name failed:"; cat "$scratch/$name.log"; exit 1; }
  local first_frame
  first_frame=$(stat_of "$scratch/$name.stats" first_frame_unix_ns)
  awk -v c="$((c1 - c0))" -v main="$((m1 - m0))" -v hz="$ticks_per_s" -v w="$((w1 - w0))" -v hwm="$hwm" \
    -v launch="$launch" -v frame="$first_frame" 'BEGIN {
      printf "cpu_percent=%.2f\ncpu_main_percent=%.2f\nrss_peak_mb=%.1f\nfirst_frame_ms=%.1f\n",
        100 * (c / hz) / (w / 1e9), 100 * (main / hz) / (w / 1e9), hwm / 1024, (frame - launch) / 1e6 }' >"$scratch/$name.measure"
}
m() { sed -n "s/^$2=//p" "$scratch/$1.measure"; }
s() { stat_of "$scratch/$1.stats" "$2"; }
per_s() { awk -v n="$(s "$1" "$2")" -v w="$(s "$1" window_s)" 'BEGIN { printf "%.1f", n / w }'; }

echo "vmd220-pc-simulated under Xvfb ($DISPLAY), $(nproc) cores, windows of ${window} s after ${warmup} s"
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
run steady "$window" --values steady
run changing "$window" --values changing
stream_window=$(( window < 15 ? window : 15 ))
run stream "$stream_window" --values changing --stream 1000

printf '\n%-44s %12s %12s %12s   %s\n' "" "steady" "changing" "1,000/s" "target"
row() { printf '%-44s %12s %12s %12s   %s\n' "$@"; }
row "CPU, % of one core" "$(m steady cpu_percent)" "$(m changing cpu_percent)" \
  "$(m stream cpu_percent)" "<= 0.3 steady, <= 1.5 changing"
row "  of it the main (window) thread" "$(m steady cpu_main_percent)" \
  "$(m changing cpu_main_percent)" "$(m stream cpu_main_percent)" ""
row "peak RSS (VmHWM), MB" "$(m steady rss_peak_mb)" "$(m changing rss_peak_mb)" \
  "$(m stream rss_peak_mb)" "<= 35"
row "launch to first shown frame, ms" "$(m steady first_frame_ms)" "$(m changing first_frame_ms)" \
  "$(m stream first_frame_ms)" "<= 150"
row "repaints of controls per second" "$(per_s steady paints_controls)" \
  "$(per_s changing paints_controls)" "$(per_s stream paints_controls)" ""
row "  of them unchanged controls (total)" "$(s steady paints_unchanged_controls)" \
  "$(s changing paints_unchanged_controls)" "$(s stream paints_unchanged_controls)" "0"
row "repaints of window and frames per second" "$(per_s steady paints_containers)" \
  "$(per_s changing paints_containers)" "$(per_s stream paints_containers)" ""
row "status reports handled" "$(s steady status_reports_handled)" \
  "$(s changing status_reports_handled)" "$(s stream status_reports_handled)" ""
row "hand-off read -> record, median, ms" \
  "$(awk -v v="$(s steady handoff_median_us)" 'BEGIN{printf "%.3f", v/1000}')" \
  "$(awk -v v="$(s changing handoff_median_us)" 'BEGIN{printf "%.3f", v/1000}')" \
  "$(awk -v v="$(s stream handoff_median_us)" 'BEGIN{printf "%.3f", v/1000}')" "<= 0.5"
row "hand-off read -> record, 99th pct, ms" \
  "$(awk -v v="$(s steady handoff_p99_us)" 'BEGIN{printf "%.3f", v/1000}')" \
  "$(awk -v v="$(s changing handoff_p99_us)" 'BEGIN{printf "%.3f", v/1000}')" \
  "$(awk -v v="$(s stream handoff_p99_us)" 'BEGIN{printf "%.3f", v/1000}')" ""
row "sent -> record, 99th pct / max, ms" \
  "$(awk -v a="$(s steady sent_to_record_p99_us)" -v b="$(s steady sent_to_record_max_us)" 'BEGIN{printf "%.2f/%.2f", a/1000, b/1000}')" \
  "$(awk -v a="$(s changing sent_to_record_p99_us)" -v b="$(s changing sent_to_record_max_us)" 'BEGIN{printf "%.2f/%.2f", a/1000, b/1000}')" \
  "$(awk -v a="$(s stream sent_to_record_p99_us)" -v b="$(s stream sent_to_record_max_us)" 'BEGIN{printf "%.2f/%.2f", a/1000, b/1000}')" ""
row "reports sent / backlog max / at end" \
  "$(s steady reports_sent)/$(s steady backlog_max)/$(s steady backlog_end)" \
  "$(s changing reports_sent)/$(s changing backlog_max)/$(s changing backlog_end)" \
  "$(s stream reports_sent)/$(s stream backlog_max)/$(s stream backlog_end)" "no backlog"
echo
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
for name in steady changing stream; do
  echo "CPU by thread ($name): $(cat "$scratch/$name.threads")"
done
echo "controls repainted (changing): $(s changing paints_per_control)"
echo "controls repainted (steady):   $(s steady paints_per_control)"
for name in steady changing stream; do
  echo "unchanged controls repainted ($name): $(s "$name" paints_unchanged_per_control)"
done
