#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Kestrel needs.
# Safe to run again: it only calls apt-get when something is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libgl-dev
  libgdal-dev gdal-bin
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xdotool xauth
  locales
  clang-format
  # tests only: a second DXF writer, of another kind, for the drawing tests
  python3-ezdxf
  clang libclang-rt-14-dev
  desktop-file-utils shared-mime-info dpkg-dev man-db
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
# Wait for another installer to finish instead of failing on its lock.
lock_wait=(-o DPkg::Lock::Timeout=600)
$sudo apt-get "${lock_wait[@]}" update -qq
$sudo apt-get "${lock_wait[@]}" install -y -qq --no-install-recommends "${missing[@]}"
