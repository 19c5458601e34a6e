#!/usr/bin/env bash
# Installs what is needed, builds everything with all cores, runs each test
# program once as a whole, its cases in one process in a shuffled order (so
# that no case leans on another or on running alone), then every case on its
# own through CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Debug
cmake --build build -j"$(nproc)"
find build/bin -maxdepth 1 -name '*_test' -type f -perm -u+x -print0 |
  xargs -0 -P "$(nproc)" -I{} env QT_QPA_PLATFORM=offscreen TESSAL_BIN="$PWD/build/bin" \
    TESSAL_SOURCE="$PWD" timeout 600 {} --gtest_shuffle --gtest_brief=1
ctest --test-dir build -j"$(nproc)" --output-on-failure --timeout 300
