#!/usr/bin/env bash
# tarsk1-project on both corpus projects (zlib configured by CMake, lua
# recorded by `bear -- make`, copied into a scratch folder): wall time and
# units per second with -j1 and -j$(nproc), the share of time spent outside
# the preprocessor and tarsk1 (at -j1, where process times add up to the
# wall time; on a busy machine waiting for a core counts there, so the share
# of CPU time that tarsk1-project itself used is shown too), the speed-up of -j$(nproc) over -j1, and the time of a second
# run on the unchanged tree. Each figure is the best of three runs.
#   bench/project.sh [build-dir]        (KEEP=1 keeps the scratch folder)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
tool=$build/tarsk1-project
[ -x "$tool" ] || { echo "build the tarsk1-project target first" >&2; exit 1; }
corpus=$root/../shared/corpus
work=$(mktemp -d)
[ "${KEEP:-}" = 1 ] && echo "scratch: $work" || trap 'rm -rf "$work"' EXIT
cores=$(nproc)

cp -r "$corpus/zlib" "$corpus/lua" "$work/" && chmod -R u+w "$work"
cmake -S "$work/zlib" -B "$work/zlib/build" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
(cd "$work/lua" && bear -- make -j"$cores" >/dev/null 2>&1)

now() { date +%s.%N; }
calc() { awk "BEGIN { print $1 }"; }

# One fresh run: "wall_s preprocessor_ms tarsk1_ms own_cpu_ms processes_cpu_ms".
fresh_run() {
    local db=$1 jobs=$2 out=$work/out
    rm -rf "$out"
    local start end lines
    start=$(now)
    lines=$("$tool" -p "$db" --out "$out" -j"$jobs" -v 2>&1 >/dev/null | grep -E 'time: wall|cpu: ')
    end=$(now)
    echo "$(calc "$end - $start") $(echo "$lines" | sed -nE 's/.*preprocessor ([0-9]+) ms, tarsk1 ([0-9]+) ms.*/\1 \2/p') \
$(echo "$lines" | sed -nE 's/.*cpu: tarsk1-project ([0-9]+) ms, its processes ([0-9]+) ms.*/\1 \2/p')"
}

best_of_three() {  # best wall time and the process times of that run
    local best="" r
    for _ in 1 2 3; do
        r=$(fresh_run "$@")
        if [ -z "$best" ] || [ "$(calc "(${r%% *} < ${best%% *})")" = 1 ]; then best=$r; fi
    done
    echo "$best"
}

printf '%-6s %5s %9s %9s %10s %9s %9s %9s %11s\n' project units "j1 s" "j$cores s" "units/s" overhead "cpu share" speed-up \
    "unchanged s"
for project in zlib lua; do
    db=$work/$project
    [ $project = zlib ] && db=$work/zlib/build
    units=$("$tool" -p "$db" --out "$work/count" | sed -nE '1s/^units: ([0-9]+) analysed.*/\1/p')
    read -r wall1 pp1 t1 own1 children1 <<<"$(best_of_three "$db" 1)"
    read -r walln _ _ <<<"$(best_of_three "$db" "$cores")"
    # The unchanged run, on the results of the last -j$cores run.
    start=$(now)
    "$tool" -p "$db" --out "$work/out" -j"$cores" -q >/dev/null
    again=$(calc "$(now) - $start")
    overhead=$(calc "100 * ($wall1 * 1000 - $pp1 - $t1) / ($wall1 * 1000)")
    cpushare=$(calc "100 * $own1 / ($own1 + $children1)")
    printf '%-6s %5d %9.2f %9.2f %10.1f %8.1f%% %8.1f%% %8.2fx %11.3f\n' "$project" "$units" "$wall1" "$walln" \
        "$(calc "$units / $walln")" "$overhead" "$cpushare" "$(calc "$wall1 / $walln")" "$again"
done
echo "targets: overhead at most 5 %, speed-up at least $(calc "0.8 * $cores") x, unchanged run at most a tenth of j1"
