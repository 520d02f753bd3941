#!/usr/bin/env bash
# Fills the corpus folder of a fuzz target with seeds: the test inputs that
# fit the target, plus the small seeds kept in fuzz/corpus/<target>.
#   bash fuzz/seed.sh TARGET FOLDER
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
target=$1
corpus=$2
data="$root/tests/data"
mkdir -p "$corpus"

copy() {
  for f in "$@"; do
    [ -f "$f" ] || continue
    # Named by content, so that seeding twice adds nothing.
    cp "$f" "$corpus/seed-$(sha1sum "$f" | cut -c1-16)"
  done
}

case "$target" in
  grammar)
    copy "$data"/grammar/*.c "$data"/scanner/*.c "$data"/directives/*.c "$data"/metfile/*.in \
         "$root"/examples/*.c "$root"/targets/*/ana/mvct.def ;;
  directive)
    copy "$data"/directives/*.c "$data"/directives/*.def "$data"/scanner/pragmas.* \
         "$data"/scanner/markers.c "$root"/targets/*/ana/mvct.def ;;
  halstead)
    copy "$data"/grammar/*.c "$data"/scanner/*.c "$data"/metfile/*.c "$data"/metfile/*.h \
         "$root"/examples/*.c "$root"/examples/*.h ;;
  decoder) ;;
  *) echo "unknown target: $target" >&2; exit 2 ;;
esac
copy "$root/fuzz/corpus/$target"/*
