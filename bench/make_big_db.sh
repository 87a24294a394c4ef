#!/usr/bin/env bash
# Makes the benchmarks' database: the schema, the seed and a department at real size.
# Usage: bench/make_big_db.sh [DATABASE]   (default tabel_big; an existing one is replaced)
set -euo pipefail
cd "$(dirname "$0")/.."
DB="${1:-tabel_big}"
export PGPASSWORD=vumbexl PGCLIENTENCODING=UTF8
PSQL=(psql -h 127.0.0.1 -p 5432 -U sys -X -q -v ON_ERROR_STOP=1)

"${PSQL[@]}" -d postgres <<SQL
DROP DATABASE IF EXISTS $DB WITH (FORCE);
CREATE DATABASE $DB TEMPLATE template0 ENCODING 'UTF8' LC_COLLATE 'C.UTF-8' LC_CTYPE 'C.UTF-8';
SQL
start=$(date +%s.%N)
"${PSQL[@]}" -d "$DB" -f sql/schema.sql -f sql/seed.sql -f bench/big_department.sql
end=$(date +%s.%N)
"${PSQL[@]}" -d "$DB" -t -A -c \
  "select count(*) || ' shift records, ' || count(distinct w_id) || ' workers, ' ||
          count(distinct o_id) || ' operations, ' || count(distinct i_id) || ' products'
     from accounts_dep.smena"
awk -v s="$start" -v e="$end" 'BEGIN { printf "loaded in %.1f s\n", e - s }'
