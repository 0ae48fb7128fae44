#!/usr/bin/env bash
# A throw-away PostgreSQL 15 cluster on loopback for the tests, with a unixODBC data source.
#   scripts/postgres-prova.sh start   -> prints the environment to export (eval "$(...)"); a
#                                        cluster already running there is reused
#   scripts/postgres-prova.sh stop
# The cluster lives in $TESEL_PG_DIR (default /tmp/tesel-pg), listens on 127.0.0.1:$TESEL_PG_PORT
# (default 54329), owns a database "tesel_prove" with the login "tesel" / "tesel", and the
# data source "tesel_prove" is written to $TESEL_PG_DIR/odbc.ini (selected through ODBCINI).
# The data source names the driver settings the program asks for anyway (no savepoint of the
# driver around each statement, statements prepared on the server), so other tools on it
# behave as the program does.
set -euo pipefail

dir=${TESEL_PG_DIR:-/tmp/tesel-pg}
port=${TESEL_PG_PORT:-54329}
bin=/usr/lib/postgresql/15/bin

come_postgres() {
    if [[ $(id -u) -eq 0 ]]; then
        runuser -u postgres -- "$@"
    else
        "$@"
    fi
}

case "${1:-}" in
start)
    [[ -x $bin/initdb ]] || { echo "PostgreSQL 15 non installato ($bin)" >&2; exit 1; }
    # A cluster already running (another shell of the same session) is used as it is: each
    # test works in a schema of its own.
    if [[ -f $dir/odbc.ini ]] && come_postgres "$bin/pg_ctl" -D "$dir/data" status >/dev/null 2>&1; then
        echo "export ODBCINI=$dir/odbc.ini TESEL_TEST_DSN=tesel_prove TESEL_TEST_UID=tesel TESEL_TEST_PWD=tesel"
        exit 0
    fi
    if [[ -f $dir/data/postmaster.pid ]]; then
        come_postgres "$bin/pg_ctl" -D "$dir/data" -m fast stop >/dev/null 2>&1 || true
    fi
    rm -rf "$dir"
    mkdir -p "$dir"
    [[ $(id -u) -eq 0 ]] && chown postgres:postgres "$dir"
    come_postgres "$bin/initdb" -D "$dir/data" -U postgres -A trust -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log"
    come_postgres "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w \
        -o "-c listen_addresses=127.0.0.1 -c port=$port -c unix_socket_directories=$dir -c fsync=off" start >/dev/null
    psql=(come_postgres "$bin/../bin/psql" -h 127.0.0.1 -p "$port" -U postgres -v ON_ERROR_STOP=1 -q)
    "${psql[@]}" -c "CREATE ROLE tesel LOGIN PASSWORD 'tesel'" postgres
    "${psql[@]}" -c "CREATE DATABASE tesel_prove OWNER tesel" postgres
    driver=$(find /usr/lib -name psqlodbcw.so -print -quit)
    [[ -n $driver ]] || { echo "Driver psqlODBC non trovato (pacchetto odbc-postgresql)" >&2; exit 1; }
    cat >"$dir/odbc.ini" <<INI
[tesel_prove]
Description = Tesel test database
Driver = $driver
Servername = 127.0.0.1
Port = $port
Database = tesel_prove
Username = tesel
Password = tesel
SSLmode = disable
Protocol = 7.4-0
UseServerSidePrepare = 1
MaxLongVarcharSize = 1048576
MaxVarcharSize = 65535
INI
    chmod 644 "$dir/odbc.ini"
    echo "export ODBCINI=$dir/odbc.ini TESEL_TEST_DSN=tesel_prove TESEL_TEST_UID=tesel TESEL_TEST_PWD=tesel"
    ;;
stop)
    [[ -f $dir/data/postmaster.pid ]] && come_postgres "$bin/pg_ctl" -D "$dir/data" -m fast stop >/dev/null
    ;;
*)
    echo "uso: $0 start|stop" >&2
    exit 2
    ;;
esac
