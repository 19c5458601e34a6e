#!/usr/bin/env bash
# Runs several copies of each test program at once (8 unless told), in the
# environment tools/test.sh gives them and each in a shuffled order, to find
# tests whose result depends on load or on copies of themselves running beside
# them (shared temporary paths, fixed ports, fixed sleeps, waits that count on
# speed). Programs run one after another; the copies of one run together.
#
#   tools/stress-tests.sh [-n COPIES] [-x SKIP-REGEX] [-b BIN-FOLDER] [NAME-REGEX]
#
# NAME-REGEX chooses programs by name (all *_test programs when left out);
# SKIP-REGEX leaves some out. Prints one line per program (copies passed, the
# failed cases, seconds) and keeps the output of every failed copy in a folder
# named at the end. The exit status is 1 when any copy failed.
set -uo pipefail
cd "$(dirname "$0")/.."
copies=8
skip='^$'
bin="$PWD/build/bin"
while getopts n:x:b: option; do
  case $option in
    n) copies=$OPTARG ;;
    x) skip=$OPTARG ;;
    b) bin=$(cd "$OPTARG" && pwd) ;;
    *) sed -n '8,13p' "$0"; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
choose=${1:-.}
logs=$(mktemp -d "${TMPDIR:-/tmp}/stress-tests.XXXXXX")
failed=0

for program in $(find "$bin" -maxdepth 1 -name '*_test' -type f -perm -u+x | sort); do
  name=$(basename "$program")
  [[ $name =~ $choose ]] || continue
  [[ $name =~ $skip ]] && continue
  start=$(date +%s)
  pids=()
  for copy in $(seq 1 "$copies"); do
    env QT_QPA_PLATFORM=offscreen TESSAL_BIN="$bin" TESSAL_SOURCE="$PWD" \
      timeout 900 "$program" --gtest_shuffle --gtest_brief=1 >"$logs/$name.$copy.log" 2>&1 &
    pids+=($!)
  done
  passed=0
  for copy in $(seq 1 "$copies"); do
    if wait "${pids[$((copy - 1))]}"; then
      passed=$((passed + 1))
      rm -f "$logs/$name.$copy.log"
    fi
  done
  cases=$(cat "$logs/$name".*.log 2>/dev/null | sed -n 's/^\[  FAILED  \] \([^ ,]*\).*/\1/p' | sort | uniq -c |
    awk '{printf " %s(x%s)", $2, $1}')
  printf '%-50s %d/%d passed %4ds%s\n' "$name" "$passed" "$copies" $(($(date +%s) - start)) "$cases"
  [ "$passed" -eq "$copies" ] || failed=1
done
echo "output of the failed copies: $logs"
exit $failed
