#!/usr/bin/env bash
# Installs what the monitor needs, builds it and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target vmd220-pc
exec build/release/app/vmd220-pc "$@"
