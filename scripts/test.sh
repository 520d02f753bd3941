#!/usr/bin/env bash
# Set-up, build and the whole test suite; then the same suite once more,
# built with AddressSanitizer and UndefinedBehaviorSanitizer in build-san/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/build.sh"
cd "$root/build"
ctest --output-on-failure -j"$(nproc)"

cmake -S "$root" -B "$root/build-san" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARSK1_SANITIZE=ON >/dev/null
cmake --build "$root/build-san" -j"$(nproc)"
cd "$root/build-san"
ctest --output-on-failure -j"$(nproc)"
