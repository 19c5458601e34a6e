#!/usr/bin/env bash
# Installs what is needed, builds everything with all cores and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Debug
cmake --build build -j"$(nproc)"
ctest --test-dir build -j"$(nproc)" --output-on-failure --timeout 300
