#!/usr/bin/env bash
# Builds the engine's fuzzer (clang, libFuzzer with ASan and UBSan) in build-fuzz and runs it
# for SECONDS (default 60) over the seed corpus in fuzz/corpus. New inputs it finds go to a
# scratch folder, so the committed corpus stays small; a crash leaves its input in build-fuzz/
# and makes this script fail.
#   bash fuzz/run.sh 600
set -euo pipefail
seconds=${1:-60}
cd "$(dirname "$0")/.."

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DLEDRIMO_FUZZ=ON -DLEDRIMO_GUI=OFF -DLEDRIMO_TESTS=OFF -DLEDRIMO_BENCH=OFF >/dev/null
cmake --build build-fuzz --target jet_fuzz -j 2

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  ./build-fuzz/fuzz/jet_fuzz -max_total_time="$seconds" -max_len=1048576 -timeout=10 \
  -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix=build-fuzz/ "$scratch" fuzz/corpus
