#!/usr/bin/env bash
# Installs the Debian packages Vexilo needs to build, test and run its demo.
# Idempotent: packages already installed are left alone, and apt is only
# called when something is missing.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config python3
  clang libclang-rt-14-dev
  gcc-multilib g++-multilib
  libgtest-dev libgmock-dev libbenchmark-dev
  libfreetype-dev libfontconfig-dev libfribidi-dev
  libpng-dev zlib1g-dev libjpeg-dev libtiff-dev
  python3-pil python3-pytest mypy python3-setuptools python3-pip
  fonts-arphic-uming fonts-arphic-ukai fonts-wqy-zenhei
  fonts-liberation2 fonts-dejavu-core
  unicode-data iproute2
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "setup: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends "${missing[@]}"
if command -v fc-cache >/dev/null 2>&1; then fc-cache -f >/dev/null 2>&1 || true; fi
