#!/usr/bin/env bash
# ledrimo-db and ledrimo-db.exe side by side on the same 100,000-entry database, in one run: the
# Linux build directly, the Windows build under Wine (one wineserver kept running, so a run pays
# Wine's process start but not the server's). `dump` of the whole table (csv) and `report --all`.
# Target: the Windows build under Wine within 2x of the Linux build. hyperfine medians of the wall
# time; then the same with each side's start-up (`tables`) taken off, labelled as the estimate it is.
#
#   bash bench/windows_bench.sh [LINUX_BUILD] [WINDOWS_BUILD] [ROWS]
#   (defaults: build-bench, a Release build made here; build-windows, made by
#   scripts/build-windows.sh; 100000)
set -euo pipefail
cd "$(dirname "$0")/.."
linux_build=${1:-build-bench}
windows_build=${2:-build-windows}
rows=${3:-100000}
command -v hyperfine >/dev/null || { echo "hyperfine is needed" >&2; exit 1; }

cmake -S . -B "$linux_build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLEDRIMO_GUI=OFF -DLEDRIMO_TESTS=OFF >/dev/null
cmake --build "$linux_build" --target ledrimo-db write_bench -j 2 >/dev/null
[ -x "$windows_build/tools/ledrimo-db.exe" ] || bash scripts/build-windows.sh "$windows_build" >/dev/null
linux=$(realpath "$linux_build/tools/ledrimo-db")
windows=$(realpath "$windows_build/tools/ledrimo-db.exe")
run=$(realpath cmake/wine-run.sh)

# A prefix of the bench's own, so that stopping its wineserver stops no one else's.
export LEDRIMO_WINEPREFIX=${LEDRIMO_WINEPREFIX:-$HOME/.cache/ledrimo-wine-bench}
export WINEPREFIX=$LEDRIMO_WINEPREFIX
mkdir -p "$WINEPREFIX"
wineserver -p
trap 'rm -rf "$scratch"; wineserver -k 2>/dev/null || true' EXIT
scratch=$(mktemp -d)
file=$scratch/db
"$linux_build/bench/write_bench" "$file" "$rows" >/dev/null
# Wine reaches the Linux file system as drive Z:.
win_file="Z:${file//\//\\}"
# hyperfine splits its commands as a shell would: the backslashes doubled for it.
win_arg=${win_file//\\/\\\\}
"$run" "$windows" tables "$win_file" >/dev/null # the prefix is ready before the timing starts
echo "== $rows entries, $(stat -c %s "$file") bytes; load: $(cut -d' ' -f1-3 /proc/loadavg)"

today="--today 2026-10-15"
hyperfine -N --warmup 2 --runs 10 --export-json "$scratch/h.json" \
  -n "linux: tables (start-up)" "$linux tables $file" \
  -n "wine:  tables (start-up)" "$run $windows tables $win_arg" \
  -n "linux: dump data --format csv" "$linux dump $file data --format csv" \
  -n "wine:  dump data --format csv" "$run $windows dump $win_arg data --format csv" \
  -n "linux: report --all" "$linux report $file --all $today" \
  -n "wine:  report --all" "$run $windows report $win_arg --all $today" >/dev/null
python3 - "$scratch/h.json" <<'PY'
import json, sys
results = json.load(open(sys.argv[1]))["results"]
print(f"   {'':<34} {'wall: median':>13} {'min':>10}")
for r in results:
    print(f"   {r['command']:<34} {r['median'] * 1000:10.1f} ms {r['min'] * 1000:7.1f} ms")
by = {r["command"]: r["median"] for r in results}
start = {"linux": by["linux: tables (start-up)"], "wine": by["wine:  tables (start-up)"]}
print("   the whole run, as a user waits for it (Wine's process start included):")
for what in ("tables (start-up)", "dump data --format csv", "report --all"):
    print(f"   {what:<34} wine/linux: {by['wine:  ' + what] / by['linux: ' + what]:.2f}x")
# Wine spends its own time starting a process (loading its DLLs, the prefix's registry); the
# `tables` run is that start plus opening the file. Taken off both sides, what is left is the work
# of the verb itself. A difference of two medians: an estimate, not a measurement.
print("   the verb's own work (median minus the median of `tables` on the same side; an estimate):")
for what in ("dump data --format csv", "report --all"):
    linux = by["linux: " + what] - start["linux"]
    wine = by["wine:  " + what] - start["wine"]
    print(f"   {what:<34} linux {linux * 1000:7.1f} ms  wine {wine * 1000:7.1f} ms"
          f"  wine/linux: {wine / linux:.2f}x")
PY
# Both builds give the same output.
cmp <("$linux" dump "$file" data --format csv) <("$run" "$windows" dump "$win_file" data --format csv) \
  && echo "   the two dumps are the same bytes" || echo "   THE TWO DUMPS DIFFER"
