#!/usr/bin/env bash
# The damage matrix on big files, sampled pages (not run in CI): the program's database with
# 100,000 entries, and the 100,352-row file bench/make_big_table.py makes from a file another
# Access library wrote. Every sampled page zeroed, then overwritten with random bytes; each case
# must read back every row identical or fail the check.
#
#   bash bench/damage_matrix.sh [BUILD_DIR] [SAMPLES]   (default: build-bench, a Release build; 60)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-bench}
samples=${2:-60}
samples_dir=${LEDRIMO_SAMPLES:-$(realpath ../shared/jet-samples)}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLEDRIMO_GUI=OFF -DLEDRIMO_TESTS=OFF >/dev/null
cmake --build "$build" --target damage_matrix -j 2 >/dev/null
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

"$build/bench/damage_matrix" --make-log 100000 "$scratch/db"
"$build/bench/damage_matrix" "$scratch/db" data "$samples"
python3 bench/make_big_table.py "$samples_dir" "$scratch/big.mdb"
"$build/bench/damage_matrix" "$scratch/big.mdb" Table1 "$samples"
