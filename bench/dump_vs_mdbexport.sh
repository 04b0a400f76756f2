#!/usr/bin/env bash
# ledrimo-db dump side by side with mdbtools' mdb-export, on
#   1. the largest table of the largest sample (jackcess_testIndexCodes.mdb, Table1, 275 rows),
#   2. all 28 tables of that file, one process per table,
#   3. a 100,352-row table of short ASCII rows (made from a sample by bench/make_big_table.py),
#   4. the program's own table `data` with 100,000 entries with Chinese names, employers and notes
#      (the file bench/write_bench makes, 15 MB),
# with hyperfine for wall time and /usr/bin/time -v for peak memory. On 3 and 4, --format csv and
# --format json run in one hyperfine run with mdb-export -D/-T '%Y-%m-%d %H:%M:%S', and each is
# given as a fraction of mdb-export's time, best run against best run (the aim: at most 0.2).
# Then the date query on table 4 as a whole process (the aim: under 30 ms), the memory of a dump
# from a file made 1 GB larger (sparse, never read), which must not change, and the engine's lazy
# access on the big table (bench/rowids_bench). The machine's load is printed before and after:
# figures taken under load are not worth much.
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
cmake --build "$build" --target ledrimo-db rowids_bench write_bench -j 2 >/dev/null
tool=$(realpath "$build/tools/ledrimo-db")
file=$samples/jackcess_testIndexCodes.mdb
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
big=$scratch/big.mdb
python3 bench/make_big_table.py "$samples" "$big" >/dev/null
entries=$scratch/entries.mdb
"$build/bench/write_bench" "$entries" 100000 --fill-only >/dev/null
echo "load before: $(uptime)"
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

# hyperfine on mdb-export and ledrimo-db's commands (name, command, name, command...), then for
# each of ledrimo-db's its best and median run, and both as a fraction of mdb-export's.
against() {
  local runs=$1 mdb=$2
  shift 2
  local args=(-N --warmup 3 --runs "$runs" --export-json "$scratch/h.json" -n mdb-export "$mdb")
  while [ $# -gt 0 ]; do args+=(-n "$1" "$2"); shift 2; done
  hyperfine "${args[@]}"
  python3 - "$scratch/h.json" <<'PY'
import json, sys
r = json.load(open(sys.argv[1]))["results"]
base = r[0]
print(f"   {'':26} {'best':>9} {'median':>9}   best/best  median/median")
for x in r:
    print(f"   {x['command']:26} {x['min'] * 1000:7.1f}ms {x['median'] * 1000:7.1f}ms   "
          f"{x['min'] / base['min']:9.3f}  {x['median'] / base['median']:13.3f}")
PY
}

echo "== 100,352 short ASCII rows: Table1 of a file made by bench/make_big_table.py"
against 30 "$mdbx $big Table1" \
  "ledrimo-db dump csv" "$tool dump --format csv $big Table1" \
  "ledrimo-db dump json" "$tool dump --format json $big Table1"

echo "== 100,000 entries: table data of a file made by bench/write_bench"
against 15 "$mdbx $entries data" \
  "ledrimo-db dump csv" "$tool dump --format csv $entries data" \
  "ledrimo-db dump json" "$tool dump --format json $entries data"
a=$("$tool" dump --format csv "$entries" data | wc -l)
b=$(mdb-export "$entries" data | wc -l)
echo "   lines: ledrimo-db $a, mdb-export $b"

echo "== the date query on those 100,000 entries, as a whole process"
hyperfine -N --warmup 5 --runs 50 --export-json "$scratch/q.json" \
  "$tool sql $entries \"select * from data where 上班日期 = #2010-07-20#\""
python3 - "$scratch/q.json" <<'PY'
import json, sys
x = json.load(open(sys.argv[1]))["results"][0]
print(f"   best {x['min'] * 1000:.1f} ms, median {x['median'] * 1000:.1f} ms")
PY

peak() { /usr/bin/time -v "$@" 2>&1 >/dev/null | sed -n 's/.*Maximum resident set size (kbytes): //p'; }
echo "== peak resident memory (KB)"
printf '%-44s %10s %10s\n' "" ledrimo-db mdb-export
printf '%-44s %10s %10s\n' "Table1 (275 rows) of the 3.9 MB file" "$(peak "$tool" dump "$file" Table1)" \
  "$(peak mdb-export "${dates[@]}" "$file" Table1)"
printf '%-44s %10s %10s\n' "Table1 (100,352 rows) of the 3.3 MB file" "$(peak "$tool" dump "$big" Table1)" \
  "$(peak mdb-export "${dates[@]}" "$big" Table1)"
printf '%-44s %10s %10s\n' "  the same, --format json" "$(peak "$tool" dump --format json "$big" Table1)" ""
printf '%-44s %10s %10s\n' "data (100,000 entries) of the 15 MB file" "$(peak "$tool" dump "$entries" data)" \
  "$(peak mdb-export "${dates[@]}" "$entries" data)"
printf '%-44s %10s %10s\n' "  the same, --format json" "$(peak "$tool" dump --format json "$entries" data)" ""
cp "$file" "$scratch/grown.mdb"
truncate -s +1G "$scratch/grown.mdb"
printf '%-44s %10s %10s\n' "Table1 (275 rows), file grown by 1 GB" "$(peak "$tool" dump "$scratch/grown.mdb" Table1)" \
  "$(peak mdb-export "${dates[@]}" "$scratch/grown.mdb" Table1)"

echo "== engine: lazy access to the 100,352-row table"
"$build/bench/rowids_bench" "$big" Table1 5
echo "load after: $(uptime)"
