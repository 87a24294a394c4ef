#!/usr/bin/env bash
# Installs and builds what is missing, makes sure the local PostgreSQL runs and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh -DTABEL_TESTS=ON
bash scripts/pg.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j2
