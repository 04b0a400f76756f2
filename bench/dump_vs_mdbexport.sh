#!/usr/bin/env bash
# ledrimo-db dump --format csv side by side with mdbtools' mdb-export, on
#   1. the largest table of the largest sample (jackcess_testIndexCodes.mdb, Table1, 275 rows),
#   2. all 28 tables of that file, one process per table,
#   3. a 100,352-row table (made from a sample by bench/make_big_table.py),
# with hyperfine for wall time and /usr/bin/time -v for peak memory; then the memory of a dump
# from the same file made 1 GB larger (sparse, never read), which must not change.
# Then the engine's lazy access on the big table (bench/rowids_bench).
#
#   bash bench/dump_vs_mdbexport.sh [BUILD_DIR]     (default: build-bench, a Release build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-bench}
samples=${LEDRIMO_SAMPLES:-}
for d in "$samples" ../shared/jet-samples ../../shared/jet-samples; do
  if [ -n "$d" ] && [ -f "$d/jackcess_testIndexCodes.mdb" ]; then samples=$d; break; fi
done
[ -f "$samples/jackcess_testIndexCodes.mdb" ] || { echo "sample databases not found (set LEDRIMO_SAMPLES)" >&2; exit 1; }
command -v hyperfine >/dev/null || { echo "hyperfine is needed" >&2; exit 1; }
command -v mdb-export >/dev/null || { echo "mdb-export (mdbtools) is needed" >&2; exit 1; }

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLEDRIMO_GUI=OFF -DLEDRIMO_TESTS=OFF >/dev/null
cmake --build "$build" --target ledrimo-db rowids_bench -j 2 >/dev/null
tool=$(realpath "$build/tools/ledrimo-db")
file=$samples/jackcess_testIndexCodes.mdb
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
big=$scratch/big.mdb
python3 bench/make_big_table.py "$samples" "$big" >/dev/null
dates=(-D '%Y-%m-%d %H:%M:%S' -T '%Y-%m-%d %H:%M:%S')
mdbx="mdb-export -D '%Y-%m-%d %H:%M:%S' -T '%Y-%m-%d %H:%M:%S'"

# hyperfine, then the medians (robust on a machine shared with other work) and their ratio.
compare() {
  hyperfine --export-json "$scratch/h.json" "$@"
  python3 - "$scratch/h.json" <<'PY'
import json, sys
r = json.load(open(sys.argv[1]))["results"]
a, b = r[0]["median"] * 1000, r[1]["median"] * 1000
print(f"   median: ledrimo-db {a:.2f} ms, mdb-export {b:.2f} ms -> ledrimo-db {b / a:.1f}x faster")
PY
}

echo "== one table: $(basename "$file") Table1"
compare -N --warmup 20 --runs 300 \
  "$tool dump --format csv $file Table1" \
  "$mdbx $file Table1"

tables=$("$tool" tables "$file" | tr '\n' ' ')
echo "== all $(echo $tables | wc -w) tables of $(basename "$file"), one process each"
compare --shell=bash --warmup 5 --runs 50 \
  "for t in $tables; do $tool dump --format csv $file \$t >/dev/null; done" \
  "for t in $tables; do $mdbx $file \$t >/dev/null; done"

echo "== 100,352 rows: Table1 of a file made by bench/make_big_table.py"
compare -N --warmup 3 --runs 30 \
  "$tool dump --format csv $big Table1" \
  "$mdbx $big Table1"

peak() { /usr/bin/time -v "$@" 2>&1 >/dev/null | sed -n 's/.*Maximum resident set size (kbytes): //p'; }
echo "== peak resident memory (KB)"
printf '%-44s %10s %10s\n' "" ledrimo-db mdb-export
printf '%-44s %10s %10s\n' "Table1 (275 rows) of the 3.9 MB file" "$(peak "$tool" dump "$file" Table1)" \
  "$(peak mdb-export "${dates[@]}" "$file" Table1)"
printf '%-44s %10s %10s\n' "Table1 (100,352 rows) of the 3.3 MB file" "$(peak "$tool" dump "$big" Table1)" \
  "$(peak mdb-export "${dates[@]}" "$big" Table1)"
cp "$file" "$scratch/grown.mdb"
truncate -s +1G "$scratch/grown.mdb"
printf '%-44s %10s %10s\n' "Table1 (275 rows), file grown by 1 GB" "$(peak "$tool" dump "$scratch/grown.mdb" Table1)" \
  "$(peak mdb-export "${dates[@]}" "$scratch/grown.mdb" Table1)"

echo "== engine: lazy access to the 100,352-row table"
"$build/bench/rowids_bench" "$big" Table1 5
