#!/usr/bin/env bash
# Installs what is needed, builds, and starts TessalCert on a demo data folder.
#
# The demo folder (./demo, or $TESSAL_DEMO) is prepared once, when it has no
# data/i.cod yet: a workstation file made by MakeICod (chamber 7, workstation
# 1, languages ru and en, users not carried over, so the first start creates
# the administrator), the package list and everything shipped in data/ (help
# pages, templates). Delete the folder to start afresh.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Debug
cmake --build build -j"$(nproc)"

DEMO="${TESSAL_DEMO:-$PWD/demo}"
if [ ! -f "$DEMO/data/i.cod" ]; then
  mkdir -p "$DEMO/data"
  cp -R data/. "$DEMO/data/"
  build/bin/MakeICod --out "$DEMO/data/i.cod" --chamber 7 --workstation 1 --key DEMO-KEY-7-1 \
    --adr https://cdb.example.invalid --port 443 --users-old False \
    --lang ru "Торгово-промышленная палата (демо)" "Москва" \
    --lang en "Chamber of Commerce and Industry (demo)" "Moscow"
  echo "Demo data folder prepared in $DEMO"
fi

export TESSAL_HOME="$DEMO"
# The outside dialogs library (log-on, about) lies in build/bin/Orbanet.
export CommonProgramFiles="$PWD/build/bin"
exec build/bin/TessalCert
