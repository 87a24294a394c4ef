#!/usr/bin/env bash
# Installs and builds what is missing, makes sure the local PostgreSQL runs and runs every test,
# then the write stress and the windows' tests through a connection pooler (scripts/pooler.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh -DTABEL_TESTS=ON -DTABEL_BENCH=ON
bash scripts/pg.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j2
bash scripts/pooler.sh
