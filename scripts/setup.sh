#!/usr/bin/env bash
# Installs the Debian packages tarsk1 needs to build and test, only when missing.
set -euo pipefail
packages=(cmake g++ make qt6-base-dev qt6-l10n-tools flex bison libgtest-dev pmccabe cloc valgrind libxml2-utils bear chromium python3-jsonschema meson ninja-build)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then
    echo "missing packages and not root: ${missing[*]}" >&2
    exit 1
  fi
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
fi
