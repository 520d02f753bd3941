#!/usr/bin/env bash
# Set-up, a build of tarsk1 alone, then tarsk1 on the shipped example:
# examples/shapes.c is preprocessed into build/example/shapes.i, analysed, and
# the metrics files written there are shown.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/build.sh" tarsk1

out="$root/build/example"
rm -rf "$out"
mkdir -p "$out"
# An absolute source path keeps absolute paths in the line markers, so the
# second pass finds shapes.c and shapes.h on disk from any directory.
gcc -E "$root/examples/shapes.c" -o "$out/shapes.i"

export CORVELDIR="$root/install"
export MVRTGT="$root/targets/minimal"
cd "$out"
"$root/build/tarsk1" shapes.i -METRICS="$out" -VANTEL_LOG="$out/tarsk1.log"

shopt -s nullglob
metrics=("$out"/*.met)
if [ ${#metrics[@]} -eq 0 ]; then
  echo "tarsk1 ran without error and wrote no metrics file"
  exit 0
fi
for f in "${metrics[@]}"; do
  echo "== $f"
  cat "$f"
done
echo "== log $out/tarsk1.log"
cat "$out/tarsk1.log" 2>/dev/null || true
