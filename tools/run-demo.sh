#!/usr/bin/env bash
# Installs what is needed, builds, and starts TessalCert on a demo data folder.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Debug
cmake --build build -j"$(nproc)"
DEMO="$PWD/demo"
mkdir -p "$DEMO/data"
export TESSAL_HOME="$DEMO"
exec build/bin/TessalCert
