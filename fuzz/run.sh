#!/usr/bin/env bash
# Runs one fuzz target for a number of seconds:
#   bash fuzz/run.sh grammar|directive|halstead|decoder SECONDS
# Builds the target with clang into build-fuzz/ when needed, seeds its corpus
# from the test inputs, and keeps what it finds in build-fuzz/artifacts/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
target=${1:?target: grammar, directive, halstead or decoder}
seconds=${2:?seconds to run}
build="$root/build-fuzz"

case "$target" in
  grammar)   max_len=8192; dict="$root/fuzz/c.dict" ;;
  directive) max_len=2048; dict="$root/fuzz/pragma.dict" ;;
  halstead)  max_len=8192; dict="$root/fuzz/c.dict" ;;
  decoder)   max_len=1024; dict="$root/fuzz/decoder.dict" ;;
  *) echo "unknown target: $target" >&2; exit 2 ;;
esac

if [ ! -f "$build/CMakeCache.txt" ]; then
  CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARSK1_FUZZ=ON -DBUILD_TESTING=OFF >/dev/null
fi
cmake --build "$build" -j2 --target "fuzz_$target" >/dev/null

corpus="$build/corpus/$target"
bash "$root/fuzz/seed.sh" "$target" "$corpus"
artifacts="$build/artifacts/$target"
mkdir -p "$artifacts"

# The program's messages are noise here; libFuzzer keeps its own reports.
"$build/fuzz/fuzz_$target" "$corpus" \
  -dict="$dict" -max_len="$max_len" -timeout=10 -rss_limit_mb=2048 \
  -max_total_time="$seconds" -close_fd_mask=2 -print_final_stats=1 \
  -artifact_prefix="$artifacts/" &
pid=$!
status=0
wait "$pid" || status=$?
# libFuzzer ends without the exit-time actions that remove the target's
# scratch folder.
rm -rf "/tmp/tarsk1-fuzz-$pid"
exit "$status"
