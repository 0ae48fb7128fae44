#!/usr/bin/env bash
# Writes one PNG per window (entry forms, common windows, launcher) on the demo company:
#   scripts/schermate.sh [CARTELLA]      (default: schermate/)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-schermate}
scripts/installa-pacchetti.sh
cmake --preset default >/dev/null
cmake --build --preset default -j"$(nproc)" --target tesel-cli tesel-schermate
demo=$(mktemp -d)
printf '[Connessioni]\nNomeDB=%s/azienda.db\n[Menu]\nNomeDB=%s/comune.db\n' "$demo" "$demo" >"$demo/tesel.ini"
build/app/tesel-cli init-db --ini "$demo/tesel.ini" --demo
build/app/tesel-cli import --ini "$demo/tesel.ini" scripts/fatture-demo/*.xml >/dev/null
QT_QPA_PLATFORM=offscreen build/app/tesel-schermate --ini "$demo/tesel.ini" --cartella "$out"
rm -rf "$demo"
