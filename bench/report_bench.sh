#!/usr/bin/env bash
# ledrimo-db report and export as whole processes on the program's database grown to 100,000
# entries (bench/write_bench: three entries a day from 2009-07-06, about 91 years, so most of the
# range lies past the carried calendar):
#   - report of one month (text, json) and of the whole range (--all; text, json, --by month),
#   - export --format csv of one month and of the whole range; xlsx of one month and of a year,
#   - `tables`, as the start-up cost every verb pays.
# Target: each report and the csv export under 0.3 s. hyperfine medians of the wall time, and the
# mean CPU time (user + system), which a busy machine inflates less.
#
#   bash bench/report_bench.sh [BUILD_DIR] [ROWS]     (default: build-bench, a Release build; 100000)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-bench}
rows=${2:-100000}
command -v hyperfine >/dev/null || { echo "hyperfine is needed" >&2; exit 1; }

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLEDRIMO_GUI=OFF -DLEDRIMO_TESTS=OFF >/dev/null
cmake --build "$build" --target ledrimo-db write_bench -j 2 >/dev/null
tool=$(realpath "$build/tools/ledrimo-db")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
file=$scratch/db
"$build/bench/write_bench" "$file" "$rows" >/dev/null
echo "== $rows entries, $(stat -c %s "$file") bytes; today fixed at 2026-10-15; load: $(cut -d' ' -f1-3 /proc/loadavg)"

out=$scratch/out
today="--today 2026-10-15"
hyperfine -N --warmup 3 --runs 20 --export-json "$scratch/h.json" \
  -n "tables (start-up)" "$tool tables $file" \
  -n "report --month 2010-07" "$tool report $file --month 2010-07 $today" \
  -n "report --month 2010-07 --format json" "$tool report $file --month 2010-07 --format json $today" \
  -n "report --all" "$tool report $file --all $today" \
  -n "report --all --format json" "$tool report $file --all --format json $today" \
  -n "report --all --by month" "$tool report $file --all --by month $today" \
  -n "export --format csv --month 2010-07" "$tool export $file $out.csv --force --month 2010-07" \
  -n "export --format csv --all" "$tool export $file $out.csv --force --all" \
  -n "export --format xlsx --month 2010-07" "$tool export $file $out.xlsx --force --month 2010-07" \
  -n "export --format xlsx --from 2010-01-01 --to 2010-12-31" \
     "$tool export $file $out.xlsx --force --from 2010-01-01 --to 2010-12-31" >/dev/null
python3 - "$scratch/h.json" <<'PY'
import json, sys
print(f"   {'':<58} {'wall: median':>13} {'min':>8}   {'cpu (user+sys)':>15}")
for r in json.load(open(sys.argv[1]))["results"]:
    cpu = (r["user"] + r["system"]) * 1000
    print(f"   {r['command']:<58} {r['median'] * 1000:10.1f} ms {r['min'] * 1000:5.1f} ms   {cpu:12.1f} ms")
PY
"$tool" export "$file" "$out.csv" --force --all
echo "   lines of the whole-range csv: $(wc -l < "$out.csv"), bytes: $(stat -c %s "$out.csv")"
