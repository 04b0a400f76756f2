#!/usr/bin/env bash
# Writing on the program's own database grown to 100,000 entries (bench/write_bench.cpp writes
# out the image the program carries and fills `data` through the engine), then, on that file:
#   - bench/write_bench's own figures (batched and durable inserts, SQL, reads, check),
#   - ledrimo-db dump --format csv against mdbtools' mdb-export (hyperfine, medians),
#   - a whole ledrimo-db process doing one durable INSERT (start, lock, journal, syncs),
#   - peak resident memory of the dumps (/usr/bin/time -v).
#
#   bash bench/write_bench.sh [BUILD_DIR] [ROWS]     (default: build-bench, a Release build; 100000)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-bench}
rows=${2:-100000}
command -v hyperfine >/dev/null || { echo "hyperfine is needed" >&2; exit 1; }
command -v mdb-export >/dev/null || { echo "mdb-export (mdbtools) is needed" >&2; exit 1; }

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLEDRIMO_GUI=OFF -DLEDRIMO_TESTS=OFF >/dev/null
cmake --build "$build" --target ledrimo-db write_bench -j 2 >/dev/null
tool=$(realpath "$build/tools/ledrimo-db")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
file=$scratch/data.mdb

echo "== bench/write_bench: $rows entries"
"$build/bench/write_bench" "$file" "$rows"
"$tool" check "$file"

mdbx="mdb-export -D '%Y-%m-%d %H:%M:%S' -T '%Y-%m-%d %H:%M:%S'"
compare() {
  hyperfine --export-json "$scratch/h.json" "$@"
  python3 - "$scratch/h.json" <<'PY'
import json, sys
r = json.load(open(sys.argv[1]))["results"]
a, b = r[0]["median"] * 1000, r[1]["median"] * 1000
print(f"   median: ledrimo-db {a:.2f} ms, mdb-export {b:.2f} ms -> ledrimo-db {b / a:.1f}x faster")
PY
}
echo "== dump of the whole table: ledrimo-db against mdb-export"
compare -N --warmup 3 --runs 20 "$tool dump --format csv $file data" "$mdbx $file data"
a=$("$tool" dump --format csv "$file" data | wc -l)
b=$(mdb-export "$file" data | wc -l)
echo "   lines: ledrimo-db $a, mdb-export $b"

echo "== one durable INSERT by a whole ledrimo-db process (into the $rows-entry table)"
cp "$file" "$scratch/ins.mdb"
hyperfine -N --warmup 3 --runs 40 \
  "$tool sql $scratch/ins.mdb \"INSERT INTO data (姓名, 上班日期, 上班时间, id) VALUES ('张三', '2010年7月20日', '8', 'GZ-X')\""

peak() { /usr/bin/time -v "$@" 2>&1 >/dev/null | sed -n 's/.*Maximum resident set size (kbytes): //p'; }
echo "== peak resident memory (KB)"
printf '%-40s %10s\n' "ledrimo-db dump data" "$(peak "$tool" dump "$file" data)"
printf '%-40s %10s\n' "mdb-export data" "$(peak mdb-export "$file" data)"
printf '%-40s %10s\n' "ledrimo-db check" "$(peak "$tool" check "$file")"
printf '%-40s %10s\n' "ledrimo-db sql INSERT (durable)" \
  "$(peak "$tool" sql "$scratch/ins.mdb" "INSERT INTO data (id) VALUES ('GZ-Y')")"
