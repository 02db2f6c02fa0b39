#!/usr/bin/env bash
# Builds the table file fuzzer with clang and runs it for a bounded time.
#   fuzz/table/run.sh [SECONDS] [BUILD_DIR]
# New inputs go to BUILD_DIR/corpus; the seeds in fuzz/table/corpus are read only.
# A crash leaves crash-* files in BUILD_DIR and a non-zero exit status.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
seconds="${1:-60}"
build="${2:-$here/../../build-fuzz-table}"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target table_fuzzer
mkdir -p "$build/corpus"
cd "$build"
exec ./table_fuzzer -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 \
  -dict="$here/cds.dict" -artifact_prefix="$build/" "$build/corpus" "$here/corpus"
