#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each one for a bounded time, starting from its
# seed corpus in fuzz/corpus/<target without _fuzz>. New inputs go to a scratch corpus in the build
# folder (kept between runs), never into the seeds; a crash leaves its input in the build folder and
# fails the run.
#
#   bash fuzz/run-fuzz.sh [--seconds N] [--build-dir DIR] [target ...]
#
# --seconds: time per target (default 20). Without targets, all of them.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=20
build_dir=build/fuzz
targets=()
while [ "$#" -gt 0 ]; do
  case "$1" in
    --seconds) seconds=$2; shift 2 ;;
    --build-dir) build_dir=$2; shift 2 ;;
    -h|--help) sed -n '2,10p' "$0"; exit 0 ;;
    *) targets+=("$1"); shift ;;
  esac
done
[ "${#targets[@]}" -gt 0 ] ||
  targets=(report_descriptor_fuzz reply_decoder_fuzz report_exchange_fuzz product_string_fuzz)

if [ ! -f "$build_dir/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVMD_FUZZ=ON -DVMD_BUILD_TESTS=OFF -DVMD_WERROR=ON >/dev/null
fi
cmake --build "$build_dir" -j "$(nproc)" --target "${targets[@]}"

failed=()
for target in "${targets[@]}"; do
  seeds="fuzz/corpus/${target%_fuzz}"
  work="$build_dir/fuzz/work/$target"
  mkdir -p "$work/corpus" "$work/artifacts"
  log="$work/last-run.log"
  printf '%-24s %3ss ... ' "$target" "$seconds"
  if "$build_dir/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$work/artifacts/" "$work/corpus" "$seeds" \
      >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1)
    echo "ok: ${runs:-?} inputs, ${cov:-cov: ?}, corpus $(ls "$work/corpus" | wc -l) files"
  else
    echo "FAILED (log: $log, input: $work/artifacts/)"
    tail -40 "$log"
    failed+=("$target")
  fi
done
[ "${#failed[@]}" -eq 0 ] || { echo "fuzz targets that failed: ${failed[*]}"; exit 1; }
