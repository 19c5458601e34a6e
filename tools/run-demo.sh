#!/usr/bin/env bash
# Installs what is needed, builds what the demo runs (a Release build in
# build-demo of TessalCert, Restavo, MakeICod and the dialogs library, no
# tests), and starts TessalCert on a demo data folder.
#
# The demo folder (./demo, or $TESSAL_DEMO) is prepared once, when it has no
# data/i.cod yet: a workstation file made by MakeICod (chamber 7, workstation
# 1, languages ru and en, users not carried over, so the first start creates
# the administrator), the package list and everything shipped in data/ (help
# pages, templates). Delete the folder to start afresh.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh --demo
BUILD=build-demo
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSAL_TESTS=OFF
cmake --build "$BUILD" -j"$(nproc)" --target TessalCert Restavo MakeICod obDialogs

DEMO="${TESSAL_DEMO:-$PWD/demo}"
if [ ! -f "$DEMO/data/i.cod" ]; then
  mkdir -p "$DEMO/data"
  cp -R data/. "$DEMO/data/"
  "$BUILD/bin/MakeICod" --out "$DEMO/data/i.cod" --chamber 7 --workstation 1 --key DEMO-CHAMBER-7-WORKSTATION-1-KEY \
    --adr https://cdb.example.invalid --port 443 --users-old False \
    --lang ru "Торгово-промышленная палата (демо)" "Москва" \
    --lang en "Chamber of Commerce and Industry (demo)" "Moscow"
  echo "Demo data folder prepared in $DEMO"
fi

export TESSAL_HOME="$DEMO"
# The outside dialogs library (log-on, about) lies in build-demo/bin/Orbanet.
export CommonProgramFiles="$PWD/$BUILD/bin"
exec "$BUILD/bin/TessalCert"
