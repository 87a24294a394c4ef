#!/usr/bin/env bash
# Installs what is missing (Debian packages) and builds the program into build/.
# Usage: scripts/setup.sh [extra cmake options]
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(g++ cmake ninja-build pkg-config qt6-base-dev libgl-dev libqt6sql6-odbc libqt6sql6-psql unixodbc unixodbc-dev
          odbc-postgresql libxlsxwriter-dev qt6-translations-l10n fonts-liberation2 postgresql
          postgresql-client poppler-utils unzip libbenchmark-dev xdg-utils pgbouncer)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build build -j"$(nproc)"
