#!/usr/bin/env bash
# Whole-pipeline benchmark: parse, function metrics, Halstead pass and
# writing, through the tarsk1 binary with the GCC target.
#  1. The example programs of the machine, preprocessed by parse.sh's input
#     builder, given to one run as often as it takes to reach the wanted size
#     (each repetition under its own name, so none is dropped as a duplicate).
#  2. One large generated source file (bigsource.py) and its gcc -E twin at
#     2.5, 5 and 10 MB, so that the Halstead pass is measured at scale and its
#     growth with the file shows; the pass is also timed alone (halsteadpass).
#  3. 2,500 and 10,000 small sources in one run, the same sources as the
#     files of one preprocessed input, and as files of one name in folders of
#     their own, so that the cost per input, per file entered and per metrics
#     file shows whether it stays flat.
# Each input is also parsed alone (treedump -q), read by pmccabe and checked
# by gcc -fsyntax-only, and the ratios are printed. Rates are in MB of
# preprocessed input per second of CPU time (user + system), the best of
# three runs.
#   bench/pipeline.sh [build-dir] [megabytes]     (KEEP=1 keeps the work folder)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
target_mb=${2:-50}
tarsk1=$build/tarsk1
treedump=$build/tests/treedump
halsteadpass=$build/tests/halsteadpass
def=$root/targets/gcc-glibc/ana/mvct.def
for tool in "$tarsk1" "$treedump" "$halsteadpass"; do
    [ -x "$tool" ] || { echo "build the tarsk1, treedump and halsteadpass targets first" >&2; exit 1; }
done
command -v pmccabe >/dev/null || { echo "pmccabe missing: run scripts/setup.sh" >&2; exit 1; }
export MVRTGT=$root/targets/gcc-glibc CORVELDIR=$root/install LC_ALL=C

work=$(mktemp -d)
trap '[ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT

# Runs a command three times and keeps the run with the least CPU time, so
# that a busy moment of the machine does not count; sets cpu (s), wall (s)
# and rss (MB) from that run. The child's own resource usage gives CPU time
# to the microsecond.
measure() {
    local best="" w c r
    for _ in 1 2 3; do
        read -r w c r < <(python3 -c '
import os, resource, subprocess, sys, time
out, err = open(sys.argv[1], "w"), open(sys.argv[2], "w")
start = time.monotonic()
child = subprocess.Popen(sys.argv[3:], stdout=out, stderr=err)
_, status, usage = os.wait4(child.pid, 0)
wall = time.monotonic() - start
if status != 0:
    sys.exit(1)
print(f"{wall:.6f} {usage.ru_utime + usage.ru_stime:.6f} {usage.ru_maxrss}")
' "$work/out" "$work/err" "$@") || { echo "failed: $*" >&2; head -5 "$work/err" >&2; exit 1; }
        if [ -z "$best" ] || [ "$(echo "$c < $best" | bc -l)" = 1 ]; then
            best=$c cpu=$c wall=$w rss=$((r / 1024))
        fi
    done
}
rate() { echo "$1 / $2 / 1000000" | bc -l; }

# The same example set parse.sh measures: its builder runs once, on 1 MB only,
# and its work folder is kept for the units.
mkdir "$work/parse"
TMPDIR=$work/parse KEEP=1 bash "$root/bench/parse.sh" "$build" 1 >"$work/parse.txt"
units_dir=$(echo "$work"/parse/*)
mapfile -t units < <(ls "$units_dir"/unit*.i | sort -V)
once=$(cat "${units[@]}" | wc -c)
reps=$(( (target_mb * 1000000 + once - 1) / once ))
files=()
for ((r = 0; r < reps; r++)); do
    mkdir "$work/rep$r"
    for u in "${units[@]}"; do ln -s "$u" "$work/rep$r/$(basename "$u")"; files+=("$work/rep$r/$(basename "$u")"); done
done
bytes=$((once * reps))

# One line of figures for the input files given: the pipeline, then parse
# alone and pmccabe over the same files, and gcc over gcc_files (gcc_bytes).
compare() {
    local label=$1 size=$2; shift 2
    rm -rf "$work/met"; mkdir "$work/met"
    measure "$tarsk1" "$@" "-METRICS=$work/met"
    if grep -v 'The metrics file .* belongs to' "$work/err" | grep -q .; then
        echo "tarsk1 reported:" >&2; head -5 "$work/err" >&2; exit 1
    fi
    local p_cpu=$cpu p_wall=$wall p_rss=$rss mets p_rate
    mets=$(ls "$work/met" | wc -l)
    p_rate=$(rate "$size" "$p_cpu")
    measure "$treedump" -d "$def" -q "$@"
    local t_cpu=$cpu
    measure pmccabe "$@"
    local m_rate
    m_rate=$(rate "$size" "$cpu")
    measure gcc -fsyntax-only -w -x c "${gcc_files[@]}"
    local g_rate
    g_rate=$(rate "$gcc_bytes" "$cpu")
    printf '%s: %.1f MB in %.2f s: %.1f MB/s (wall %.1f MB/s), peak %d MB, %d .met files\n' "$label" \
        "$(echo "$size / 1000000" | bc -l)" "$p_cpu" "$p_rate" "$(rate "$size" "$p_wall")" "$p_rss" "$mets"
    printf '    parse alone %.2f s: pipeline/parse %.2f | pmccabe %.1f MB/s: ours/pmccabe %.2f | gcc -fsyntax-only %.1f MB/s: ours/gcc %.1f\n' \
        "$t_cpu" "$(echo "$p_cpu / $t_cpu" | bc -l)" "$m_rate" "$(echo "$p_rate / $m_rate" | bc -l)" \
        "$g_rate" "$(echo "$p_rate / $g_rate" | bc -l)"
}

echo "examples: ${#units[@]} preprocessed files, $once bytes, given $reps times: $bytes bytes"
gcc_files=("${units[@]}") gcc_bytes=$once
compare "examples x $reps" "$bytes" "${files[@]}"

for mb in 2.5 5 10; do
    python3 "$root/bench/bigsource.py" "$(echo "$mb * 1000000" | bc)" "$work/big$mb.c"
    gcc -E "$work/big$mb.c" -o "$work/big$mb.i"
    gcc_files=("$work/big$mb.i") gcc_bytes=$(stat -c %s "$work/big$mb.i")
    compare "big.c, $mb MB source" "$gcc_bytes" "$work/big$mb.i"
    measure "$halsteadpass" "$work/big$mb.c"
    printf '    Halstead pass alone over the source: %.2f s, %.1f MB/s, peak %d MB\n' "$cpu" \
        "$(rate "$(stat -c %s "$work/big$mb.c")" "$cpu")" "$rss"
done
grep -o 'n1_n2" Value="[0-9]*' "$work/met/BIG10.C.met" | sed 's/.*"/distinct operators and operands in the 10 MB file: /'

# 3. Many small sources in one run, each with its own metrics file in one
#    folder: the cost per file must stay flat as the count grows.
for count in 2500 10000; do
    rm -rf "$work/many"; mkdir -p "$work/many/src"
    python3 - "$work/many/src" "$count" <<'PY'
import os, sys
folder, count = sys.argv[1], int(sys.argv[2])
for k in range(count):
    source = os.path.join(folder, f"m{k}.c")
    body = f"int m{k}(int a)\n{{\n    return a > {k} ? a : {k};\n}}\n"
    open(source, "w").write(body)
    open(os.path.join(folder, f"m{k}.i"), "w").write(f'# 1 "{source}"\n' + body)
PY
    mkdir "$work/many/met"
    measure "$tarsk1" "$work"/many/src/*.i "-METRICS=$work/many/met"
    printf '%d small files in one run: %.2f s, %.0f us per file, peak %d MB\n' "$count" "$cpu" \
        "$(echo "$cpu * 1000000 / $count" | bc -l)" "$rss"
    # The same sources as headers of one preprocessed input.
    cat "$work"/many/src/*.i >"$work/many/all.i"
    rm -rf "$work/many/met"; mkdir "$work/many/met"
    measure "$tarsk1" "$work/many/all.i" "-METRICS=$work/many/met"
    printf '%d files entered by one input: %.2f s, %.0f us per file, peak %d MB\n' "$count" "$cpu" \
        "$(echo "$cpu * 1000000 / $count" | bc -l)" "$rss"
    # The same sources, each named main.c in a folder of its own: every
    # metrics file but the first moves to a "#n" name.
    rm -rf "$work/same"; mkdir -p "$work/same"
    python3 - "$work/same" "$count" <<'PY'
import os, sys
folder, count = sys.argv[1], int(sys.argv[2])
for k in range(count):
    os.mkdir(os.path.join(folder, f"p{k}"))
    source = os.path.join(folder, f"p{k}", "main.c")
    body = f"int m{k}(int a)\n{{\n    return a > {k} ? a : {k};\n}}\n"
    open(source, "w").write(body)
    open(os.path.join(folder, f"p{k}", "main.i"), "w").write(f'# 1 "{source}"\n' + body)
PY
    mkdir "$work/same/met"
    measure "$tarsk1" "$work"/same/p*/main.i "-METRICS=$work/same/met"
    printf '%d files of one name in one run: %.2f s, %.0f us per file, peak %d MB\n' "$count" "$cpu" \
        "$(echo "$cpu * 1000000 / $count" | bc -l)" "$rss"
done
echo "goals: pipeline/parse at most 1.5, ours/pmccabe at least 1"
