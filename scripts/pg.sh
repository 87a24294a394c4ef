#!/usr/bin/env bash
# Makes sure a PostgreSQL server answers on 127.0.0.1:5432 and knows the role sys
# (password vumbexl) that the program connects as. Starts the local cluster when
# nothing listens there; creates the cluster when the machine has none.
set -euo pipefail

PGVER=${PGVER:-15}
export PGPASSWORD=vumbexl
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

if ! pg_isready -q -h 127.0.0.1 -p 5432; then
  if ! pg_lsclusters -h 2>/dev/null | awk '{print $1" "$2}' | grep -qx "$PGVER main"; then
    $SUDO pg_createcluster "$PGVER" main -p 5432 --locale C.UTF-8 >/dev/null
  fi
  $SUDO pg_ctlcluster "$PGVER" main start || true
  for _ in $(seq 1 60); do
    pg_isready -q -h 127.0.0.1 -p 5432 && break
    sleep 0.5
  done
  pg_isready -q -h 127.0.0.1 -p 5432 || { echo "PostgreSQL did not start on 127.0.0.1:5432" >&2; exit 1; }
fi

if ! psql -h 127.0.0.1 -p 5432 -U sys -d postgres -tAc 'select 1' >/dev/null 2>&1; then
  $SUDO runuser -u postgres -- psql -q -p 5432 -v ON_ERROR_STOP=1 <<'SQL'
DO $$
BEGIN
  IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = 'sys') THEN
    CREATE ROLE sys LOGIN SUPERUSER PASSWORD 'vumbexl';
  ELSE
    ALTER ROLE sys LOGIN SUPERUSER PASSWORD 'vumbexl';
  END IF;
END $$;
SQL
fi
psql -h 127.0.0.1 -p 5432 -U sys -d postgres -tAc 'select 1' >/dev/null
