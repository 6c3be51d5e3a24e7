#!/usr/bin/env bash
# Builds a fuzzer with clang and runs it for the given number of seconds (default 600) on a
# scratch copy of its seed corpus, so that the committed corpus never changes.
# Usage: [FUZZER=decode_fuzzer|dbusmenu_fuzzer|bus_fuzzer] fuzz/run.sh [seconds]
#          [extra libFuzzer flags...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
shift || true
fuzzer=${FUZZER:-decode_fuzzer}

build=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja \
  -DNVX_FUZZ=ON -DNVX_TESTS=OFF -DNVX_BENCH=OFF >/dev/null
cmake --build "$build" -j2 --target "$fuzzer"

case "$fuzzer" in
  # 64 KiB leaves room for deep nesting.
  decode_fuzzer) seeds=fuzz/corpus regressions=fuzz/regressions
                 flags=(-dict=fuzz/json.dict -max_len=65536) ;;
  dbusmenu_fuzzer) seeds=fuzz/dbusmenu-corpus regressions=fuzz/dbusmenu-regressions
                   flags=(-max_len=4096) ;;
  bus_fuzzer) seeds=fuzz/bus-corpus regressions=fuzz/bus-regressions
              flags=(-max_len=4096) ;;
  *) echo "unknown fuzzer: $fuzzer" >&2; exit 2 ;;
esac

# Seeds and regression inputs join what earlier runs found.
scratch=fuzz/corpus-run-$fuzzer
mkdir -p "$scratch" "$build/artifacts"
cp "$seeds"/* "$scratch/"
if [ -d "$regressions" ]; then cp "$regressions"/* "$scratch/"; fi

# Single process: the machine is shared.
exec "$build/fuzz/$fuzzer" "$scratch" \
  "${flags[@]}" -rss_limit_mb=2048 -timeout=10 \
  -max_total_time="$seconds" -print_final_stats=1 \
  -artifact_prefix="$build/artifacts/" "$@"
