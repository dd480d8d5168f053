#!/usr/bin/env bash
# Installs what the tests need, builds them and runs them: with warnings as errors, then the Debian
# package test on that build, then again under AddressSanitizer and UBSan, then the thread tests
# under ThreadSanitizer, then a short run of every fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --packaging
jobs=$(nproc)

stage() { printf '\n=== %s ===\n' "$*"; }

stage "build and test (warnings as errors)"
cmake --preset ci >/dev/null
cmake --build --preset ci -j "$jobs"
ctest --preset ci -j "$jobs" --label-exclude packaging

stage "Debian package: build it, install it into a scratch root with dpkg, check it"
ctest --preset ci --label-regex packaging

stage "build and test under AddressSanitizer and UBSan"
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs"
ctest --preset asan -j "$jobs" --label-exclude 'bench|packaging'

stage "thread tests under ThreadSanitizer: read threads, controller, discovery, hot-plug storm"
cmake --preset tsan >/dev/null
cmake --build --preset tsan -j "$jobs" --target tsan_tests
ctest --preset tsan -j "$jobs" --label-regex tsan

stage "short fuzz run: every libFuzzer target for 20 s (a long run: see README, Fuzzing)"
bash fuzz/run-fuzz.sh --seconds 20 --build-dir build/fuzz
