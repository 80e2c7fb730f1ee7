#!/usr/bin/env bash
# A private PostgreSQL server for the board's tests: made with initdb in the build folder, run
# by pg_ctl as the unprivileged user postgres on a Unix socket only (nothing listens on the
# network), and stopped at the end whatever happened.
# Usage: postgres_test.sh DIR STORE_TESTS BOARD_TEST_PY BOARD SIM REPLAYS
#        postgres_test.sh DIR --bench BOARD_BENCH    (GET /api/scores on 100,000 entries)
set -euo pipefail
dir=$1
if [ "$2" = --bench ]; then
  bench=$3
else
  store_tests=$2 board_test=$3 board=$4 sim=$5 replays=$6
fi

bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)
if [ -z "$bin" ] || [ ! -x "$bin/initdb" ]; then
  echo "postgres_test: the PostgreSQL server is not installed (scripts/deps server)" >&2
  exit 1
fi
# The server refuses to run as root: run it as postgres (or as the user running the tests).
run_as=()
if [ "$(id -u)" -eq 0 ]; then run_as=(runuser -u postgres --); fi

rm -rf "$dir"
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
# A socket path has room for about 100 bytes: use a short folder when the build's is long.
sock=$dir
if [ ${#sock} -gt 80 ]; then sock=$(mktemp -d /tmp/vbpg.XXXXXX); fi
[ "$(id -u)" -eq 0 ] && chown postgres "$dir" "$sock"

stop() {
  "${run_as[@]}" "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
  if [ "$sock" != "$dir" ]; then rm -rf "$sock"; fi
}
trap stop EXIT

"${run_as[@]}" "$bin/initdb" -D "$dir/data" -A trust -U velkar -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log"
"${run_as[@]}" "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w \
  -o "-k $sock -c listen_addresses='' -c max_connections=100" start >/dev/null
# A database for each part: the boards' totals must not count the store tests' rows.
"$bin/createdb" -h "$sock" -U velkar stores
"$bin/createdb" -h "$sock" -U velkar board
"$bin/createdb" -h "$sock" -U velkar alone

if [ -n "${bench:-}" ]; then
  "$bench" --database "postgresql://velkar@/board?host=$sock" --entries 100000 --requests 2000
  exit
fi

echo "== store tests on PostgreSQL"
VELKAR_TEST_PG="postgresql://velkar@/stores?host=$sock" "$store_tests" --gtest_filter='Postgres/*' \
  --gtest_brief=1
echo "== two boards on one database"
python3 "$board_test" shared "$board" "$sim" "$replays" "postgresql://velkar@/board?host=$sock" 200 \
  "postgresql://velkar@/alone?host=$sock"
