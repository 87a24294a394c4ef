#!/usr/bin/env bash
# Runs the program's writes and windows through PgBouncer in transaction pooling mode, so
# that no statement may count on its server session: each transaction may get another one.
#
# Installs pgbouncer when missing, starts it on 127.0.0.5:5432 (the program always connects
# to port 5432) in front of the local server 127.0.0.1:5432 with fewer server sessions than
# clients, then runs
#   - bench/record_stress: 8 copies × 500 mixed shift record writes (0 failed operations,
#     0 duplicate timesheet rows, 0 wrong cells, 0 equal records, no write into a closed month);
#   - the tests of the journal window, the timesheet windows and the reports, whose program
#     connections go through the pooler (their databases are made and checked beside it);
#     among them those of other copies' changes, which through the pooler cannot be heard and
#     are read from the history instead.
# Stops PgBouncer at the end and exits non-zero when anything failed.
#
# Usage: scripts/pooler.sh [processes] [operations]        default 8 500
# Needs a build with tests and benchmarks (it builds one into build/ when missing).
set -euo pipefail
cd "$(dirname "$0")/.."

PROCESSES=${1:-8}
OPERATIONS=${2:-500}
POOLER_HOST=${POOLER_HOST:-127.0.0.5}
POOL_SIZE=${POOL_SIZE:-4}
WALK_TESTS=(journal_tst_journal journal_tst_other_copies timesheet_tst_piece timesheet_tst_by_time
            timesheet_tst_household reports_tst_summary_reports)

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
if ! command -v pgbouncer >/dev/null && [ ! -x /usr/sbin/pgbouncer ]; then
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends pgbouncer
fi
PGBOUNCER=$(command -v pgbouncer || echo /usr/sbin/pgbouncer)

bash scripts/pg.sh
need_build=0
[ -x build/bench/record_stress ] || need_build=1
for t in "${WALK_TESTS[@]}"; do [ -x "build/tests/$t" ] || need_build=1; done
if [ "$need_build" -eq 1 ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTABEL_TESTS=ON -DTABEL_BENCH=ON >/dev/null
  cmake --build build -j"$(nproc)"
fi

# PgBouncer will not run as root: its files belong to the user it runs as.
RUN_AS=()
OWNER=$(id -un)
if [ "$(id -u)" -eq 0 ]; then
  OWNER=postgres
  RUN_AS=(runuser -u postgres --)
fi
DIR=$(mktemp -d /tmp/tabel-pooler.XXXXXX)
chmod 755 "$DIR"
cat >"$DIR/pgbouncer.ini" <<INI
[databases]
* = host=127.0.0.1 port=5432

[pgbouncer]
listen_addr = $POOLER_HOST
listen_port = 5432
unix_socket_dir =
pidfile = $DIR/pgbouncer.pid
logfile = $DIR/pgbouncer.log
auth_type = scram-sha-256
auth_file = $DIR/userlist.txt
pool_mode = transaction
default_pool_size = $POOL_SIZE
min_pool_size = 0
reserve_pool_size = 0
max_client_conn = 200
max_db_connections = $POOL_SIZE
server_login_retry = 1
ignore_startup_parameters = extra_float_digits
INI
echo '"sys" "vumbexl"' >"$DIR/userlist.txt"
chmod 600 "$DIR/userlist.txt"
$SUDO chown -R "$OWNER" "$DIR"

stop() {
  if [ -f "$DIR/pgbouncer.pid" ]; then
    kill "$(cat "$DIR/pgbouncer.pid")" 2>/dev/null || true
    for _ in $(seq 1 50); do [ -f "$DIR/pgbouncer.pid" ] || break; sleep 0.1; done
  fi
  rm -rf "$DIR"
}
trap stop EXIT

"${RUN_AS[@]}" "$PGBOUNCER" -d "$DIR/pgbouncer.ini"
for _ in $(seq 1 50); do
  pg_isready -q -h "$POOLER_HOST" -p 5432 && break
  sleep 0.1
done
pg_isready -q -h "$POOLER_HOST" -p 5432 || {
  echo "PgBouncer did not start on $POOLER_HOST:5432" >&2
  cat "$DIR/pgbouncer.log" >&2 || true
  exit 1
}
echo "PgBouncer on $POOLER_HOST:5432, transaction pooling, $POOL_SIZE server sessions a database"

failed=0
echo "== record_stress $PROCESSES × $OPERATIONS through the pooler"
build/bench/record_stress "$PROCESSES" "$OPERATIONS" "$POOLER_HOST" deaf || failed=1

export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 TABEL_TEST_HOST=$POOLER_HOST
for t in "${WALK_TESTS[@]}"; do
  echo "== $t through the pooler"
  if ! "build/tests/$t" -silent; then
    failed=1
  fi
done

# what the pooler logged beyond the idle server sessions of each dropped database, which
# the server ends with an error message nobody waits for, and the announcements reaching a
# listening server session no client is linked to (what makes a copy read the history)
if grep -E "(ERROR|FATAL|WARNING)" "$DIR/pgbouncer.log" |
   grep -vE "got packet '[EA]' from server when not linked|client unexpected eof" >&2; then
  echo "(PgBouncer logged the lines above)" >&2
fi

if [ "$failed" -ne 0 ]; then
  echo "pooler run FAILED" >&2
  exit 1
fi
echo "pooler run passed"
