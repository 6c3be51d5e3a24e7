#!/usr/bin/env bash
# Builds the decode fuzzer with clang and runs it for the given number of seconds (default 600)
# on a scratch copy of the seed corpus, so that the committed corpus never changes.
# Usage: fuzz/run.sh [seconds] [extra libFuzzer flags...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
shift || true

build=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja \
  -DNVX_FUZZ=ON -DNVX_TESTS=OFF -DNVX_BENCH=OFF >/dev/null
cmake --build "$build" -j2 --target decode_fuzzer

# Seeds and regression inputs join what earlier runs found.
scratch=fuzz/corpus-run
mkdir -p "$scratch" "$build/artifacts"
cp fuzz/corpus/* "$scratch/"
if [ -d fuzz/regressions ]; then cp fuzz/regressions/* "$scratch/"; fi

# Single process: the machine is shared. 64 KiB leaves room for deep nesting.
exec "$build/fuzz/decode_fuzzer" "$scratch" \
  -dict=fuzz/json.dict -max_len=65536 -rss_limit_mb=2048 -timeout=10 \
  -max_total_time="$seconds" -print_final_stats=1 \
  -artifact_prefix="$build/artifacts/" "$@"
