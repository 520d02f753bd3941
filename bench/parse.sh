#!/usr/bin/env bash
# Parse benchmark. Preprocesses the example programs of the machine and a
# file including the common C headers (gcc -E, line markers kept), then
# parses that set repeatedly, each file after the GCC target definition file
# as the run sequence does, until at least 50 MB went through the parser.
# The files stay separate because one translation unit after another in a
# single file would declare every typedef name twice. Reports the rate, the
# peak memory, and the ratio to gcc -fsyntax-only over the same files in the
# same run.
#   bench/parse.sh [build-dir] [megabytes]     (KEEP=1 keeps the work folder)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
target_mb=${2:-50}
tool=$build/tests/treedump
def=$root/targets/gcc-glibc/ana/mvct.def
[ -x "$tool" ] || { echo "build the treedump target first (cmake --build $build --target treedump)" >&2; exit 1; }

work=$(mktemp -d)
trap '[ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT

flags=(-I/usr/include/nettle "-DPRINTF_STYLE(f,a)=" -DUNUSED= -DNORETURN=)
if pkg-config --exists xmlsec1 2>/dev/null; then read -r -a xml <<<"$(pkg-config --cflags xmlsec1)"; flags+=("${xml[@]}"); fi

{
    for h in stdio.h stdlib.h string.h stdint.h math.h pthread.h signal.h sys/stat.h unistd.h \
             time.h errno.h ctype.h stdarg.h stdbool.h setjmp.h locale.h wchar.h; do
        echo "#include <$h>"
    done
    echo 'int main(void) { return 0; }'
} >"$work/headers.c"
units=()
for src in "$work/headers.c" /usr/share/doc/*/examples/*.c; do
    unit=$work/unit${#units[@]}.i
    if gcc -E "${flags[@]}" "$src" -o "$unit" 2>/dev/null && gcc -fsyntax-only -w -x c "$unit" 2>/dev/null; then
        units+=("$unit")
    else
        rm -f "$unit"
    fi
done
once=$(cat "${units[@]}" | wc -c)
reps=$(( (target_mb * 1000000 + once - 1) / once ))
files=()
for ((i = 0; i < reps; i++)); do files+=("${units[@]}"); done
bytes=$((once * reps))
biggest=$(ls -S "${units[@]}" | head -1)
echo "input: ${#units[@]} preprocessed files, $once bytes, parsed $reps times: $bytes bytes (largest file $(stat -c %s "$biggest") bytes)"

t0=$(date +%s.%N)
for unit in "${units[@]}"; do gcc -fsyntax-only -w -x c "$unit"; done
t1=$(date +%s.%N)
gcc_rate=$(echo "$once / ($t1 - $t0) / 1000000" | bc -l)

/usr/bin/time -v "$tool" -d "$def" -q "${files[@]}" >"$work/out.txt" 2>"$work/time.txt"
if grep -qv '^result 0$' "$work/out.txt" || grep -q 'Corvel' "$work/time.txt"; then
    echo "parse failed:"; grep -v '^result 0$' "$work/out.txt" | head -3; grep -m5 Corvel "$work/time.txt"; exit 1
fi
wall=$(awk -F': ' '/Elapsed \(wall clock\)/ {n = split($2, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i]; print s}' "$work/time.txt")
user=$(awk -F': ' '/User time/ {print $2}' "$work/time.txt")
sys=$(awk -F': ' '/System time/ {print $2}' "$work/time.txt")
rss=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time.txt")
cpu=$(echo "$user + $sys" | bc -l)
wall_rate=$(echo "$bytes / $wall / 1000000" | bc -l)
cpu_rate=$(echo "$bytes / $cpu / 1000000" | bc -l)

single=$( { /usr/bin/time -v "$tool" -d "$def" -q "$biggest" >/dev/null; } 2>&1 | awk -F': ' '/Maximum resident set size/ {print $2}')
printf 'parse: %.2f s wall, %.2f s cpu: %.1f MB/s wall, %.1f MB/s cpu\n' "$wall" "$cpu" "$wall_rate" "$cpu_rate"
printf 'peak memory: %d MB over the whole run; %d MB for the largest file alone\n' $((rss / 1024)) $((single / 1024))
printf 'gcc -fsyntax-only: %.1f MB/s wall; ratio: %.1f\n' "$gcc_rate" "$(echo "$wall_rate / $gcc_rate" | bc -l)"
