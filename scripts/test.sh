#!/usr/bin/env bash
# Installs what the tests need, builds them and runs them: with warnings as errors, then the Debian
# package test on that build, then again under AddressSanitizer and UBSan.
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
ctest --preset asan -j "$jobs"
