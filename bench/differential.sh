#!/usr/bin/env bash
# Differential check for work that must not change a byte of output: runs a
# reference tarsk1 binary and a new one over the same inputs, one input per
# run, and compares everything a user sees: the standard output, the
# standard error, the exit code, every metrics file and the log.
#  - every example program of the machine, preprocessed with gcc -E, with the
#    GCC target;
#  - every C source, definition file and fuzz reproducer under tests/data,
#    with the minimal target and again with the GCC target.
# Both binaries run in the same folder with the same output path, one after
# the other, so that paths in messages and documents compare as they are.
#   bench/differential.sh REFERENCE-BINARY [NEW-BINARY]
# Exit 0 when every input gave the same result, 1 otherwise (the first
# differences are shown).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
reference=$(realpath "$1")
new=$(realpath "${2:-$root/build/tarsk1}")
for tool in "$reference" "$new"; do [ -x "$tool" ] || { echo "not an executable: $tool" >&2; exit 2; }; done
export CORVELDIR=$root/install LC_ALL=C LANG=C
unset LANGUAGE

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/inputs" "$work/run"

flags=(-I/usr/include/nettle "-DPRINTF_STYLE(f,a)=" -DUNUSED= -DNORETURN=)
examples=()
for src in /usr/share/doc/*/examples/*.c; do
    unit=$work/inputs/example${#examples[@]}.i
    if gcc -E "${flags[@]}" "$src" -o "$unit" 2>/dev/null; then examples+=("$unit"); else rm -f "$unit"; fi
done
mapfile -t data < <(find "$root/tests/data" -type f \( -name '*.c' -o -name '*.i' -o -name '*.def' -o -path '*/fuzz/*' \) | sort)

# One run of one binary, left in $work/<side>: its three streams and a copy
# of the metrics folder and the log.
run() {
    local side=$1 target=$2 input=$3
    rm -rf "$work/run/met" "$work/run/log"
    mkdir "$work/run/met"
    local rc=0
    (cd "$work/run" && MVRTGT=$target \
        timeout 60 "${!side}" "$input" "-METRICS=$work/run/met" "-VANTEL_LOG=$work/run/log" >"$work/$side.out" 2>"$work/$side.err") || rc=$?
    echo "$rc" >"$work/$side.rc"
    rm -rf "$work/$side.met"
    cp -r "$work/run/met" "$work/$side.met"
    [ -f "$work/run/log" ] && cp "$work/run/log" "$work/$side.log" || rm -f "$work/$side.log"
}

differences=0 compared=0
compare() {
    local target=$1 input=$2
    run reference "$target" "$input"
    run new "$target" "$input"
    compared=$((compared + 1))
    local part
    for part in out err rc met log; do
        if ! diff -r "$work/reference.$part" "$work/new.$part" >"$work/diff" 2>&1; then
            differences=$((differences + 1))
            if [ "$differences" -le 5 ]; then
                echo "DIFFERENT ($part): $input with $(basename "$target")"
                head -10 "$work/diff"
            fi
            return
        fi
    done
}

for input in "${examples[@]}"; do compare "$root/targets/gcc-glibc" "$input"; done
for input in "${data[@]}"; do
    compare "$root/targets/minimal" "$input"
    compare "$root/targets/gcc-glibc" "$input"
done
echo "$compared runs compared, $differences different"
[ "$differences" -eq 0 ]
