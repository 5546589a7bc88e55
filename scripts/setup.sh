#!/usr/bin/env bash
# Installs what the build needs (only what is missing), configures and builds.
# Sourced by run.sh and test.sh; BUILD_DIR may be set by the caller.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"

missing=()
while read -r pkg; do
  pkg="${pkg%%#*}"; pkg="$(echo "$pkg" | xargs)"
  [ -z "$pkg" ] && continue
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$pkg")
  fi
done < "$ROOT/scripts/packages.txt"

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The locale tests switch to a Russian and a German user's locale.
missing_locales=()
for loc in ru_RU de_DE; do
  if ! locale -a 2>/dev/null | grep -qix "$loc\.utf-\?8"; then missing_locales+=("$loc"); fi
done
if [ ${#missing_locales[@]} -gt 0 ]; then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  echo "Generating locales: ${missing_locales[*]}"
  for loc in "${missing_locales[@]}"; do
    if grep -q "^# *$loc.UTF-8 UTF-8" /etc/locale.gen 2>/dev/null; then
      $SUDO sed -i "s/^# *\($loc.UTF-8 UTF-8\)/\1/" /etc/locale.gen
    elif ! grep -q "^$loc.UTF-8 UTF-8" /etc/locale.gen 2>/dev/null; then
      echo "$loc.UTF-8 UTF-8" | $SUDO tee -a /etc/locale.gen >/dev/null
    fi
  done
  $SUDO locale-gen
fi

cmake -S "$ROOT" -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}"
cmake --build "$BUILD_DIR" -j "$(nproc)"
