#!/usr/bin/env bash
# Builds Tesel and runs every test, on a fresh Debian 12 machine too:
#   scripts/test.sh [--senza-sanitizer] [--senza-postgres]
# 1. installs the missing Debian packages; 2. builds (build/) and runs the suite on SQLite;
# 3. starts a throw-away PostgreSQL cluster with its ODBC data source and runs the suite again
#    through ODBC; 4. repeats both runs on the AddressSanitizer + UBSan build (build-asan/), the
#    PostgreSQL one on the database layers only (label "motore").
set -euo pipefail
cd "$(dirname "$0")/.."

sanitizer=1
postgres=1
for a in "$@"; do
    case $a in
    --senza-sanitizer) sanitizer=0 ;;
    --senza-postgres) postgres=0 ;;
    *) echo "uso: $0 [--senza-sanitizer] [--senza-postgres]" >&2; exit 2 ;;
    esac
done

scripts/installa-pacchetti.sh $([[ $postgres == 1 ]] && echo --prove)

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_string_checks=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

if [[ $postgres == 1 ]]; then
    eval "$(scripts/postgres-prova.sh start)"
    trap 'scripts/postgres-prova.sh stop || true' EXIT
fi

esegui() { # preset [ctest options for the PostgreSQL run]
    local preset=$1
    shift
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j"$(nproc)"
    echo "== Prove su SQLite ($preset)"
    TESEL_TEST_DB=sqlite ctest --preset "$preset" -j"$(nproc)" --timeout 600
    if [[ $postgres == 1 ]]; then
        echo "== Prove su PostgreSQL via ODBC ($preset)"
        # Each test has its own schema and mostly waits on the server: twice the cores.
        TESEL_TEST_DB=odbc ctest --preset "$preset" -j"$(($(nproc) * 2))" --timeout 600 "$@"
    fi
}

esegui default
# On the sanitizer build PostgreSQL is needed only where our code drives the ODBC connection:
# forms, Hub and printing run on it already through SQLite and, unsanitised, through ODBC.
[[ $sanitizer == 1 ]] && esegui asan -L motore
echo "Tutte le prove superate."
