#!/usr/bin/env bash
# Set-up, build, then tarsk1-project on the shipped zlib: the corpus copy is
# configured by CMake with a compilation database in build/zlib-example/, all
# its units are analysed, the summary is printed and the HTML report written.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/build.sh" tarsk1-project

work="$root/build/zlib-example"
rm -rf "$work"
mkdir -p "$work"
cp -r "$root/../shared/corpus/zlib" "$work/zlib"
chmod -R u+w "$work/zlib"
cmake -S "$work/zlib" -B "$work/build" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null

status=0
"$root/build/tarsk1-project" -p "$work/build" --out "$work/metrics" --html "$work/report.html" || status=$?
echo "HTML report: $work/report.html"
exit $status
