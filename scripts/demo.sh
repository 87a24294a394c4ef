#!/usr/bin/env bash
# Installs and builds what is missing, makes sure the local PostgreSQL runs, creates the
# demo database korvast once (an existing one is left as it is) and starts the program.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh -DTABEL_TESTS=OFF
bash scripts/pg.sh

export PGPASSWORD=vumbexl
PSQL=(psql -h 127.0.0.1 -p 5432 -U sys -X -q -v ON_ERROR_STOP=1)
if ! "${PSQL[@]}" -d postgres -tAc "select 1 from pg_database where datname='korvast'" | grep -q 1; then
  "${PSQL[@]}" -d postgres -c "CREATE DATABASE korvast TEMPLATE template0 ENCODING 'UTF8' LC_COLLATE 'C.UTF-8' LC_CTYPE 'C.UTF-8'"
  if ! { "${PSQL[@]}" -d korvast -f sql/schema.sql &&
         "${PSQL[@]}" -d korvast -f sql/seed.sql &&
         "${PSQL[@]}" -d korvast -f sql/demo.sql; }; then
    # a half-made demo database would be kept for good: remove it so the next run retries
    "${PSQL[@]}" -d postgres -c "DROP DATABASE korvast WITH (FORCE)"
    exit 1
  fi
  echo "Demo database korvast created."
fi

exec build/tabel "$@"
