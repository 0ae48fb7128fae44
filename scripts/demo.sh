#!/usr/bin/env bash
# Prepares the demo company on embedded SQLite databases and starts the program on it.
#   scripts/demo.sh
# Files go to ${XDG_DATA_HOME:-~/.local/share}/tesel/demo; running it again keeps what is there.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/installa-pacchetti.sh
cmake --preset default >/dev/null
cmake --build --preset default -j"$(nproc)" --target tesel-cli tesel tesel-menu tesel-hub

demo=${XDG_DATA_HOME:-$HOME/.local/share}/tesel/demo
mkdir -p "$demo/fe"
ini=$demo/tesel.ini
if [[ ! -f $ini ]]; then
    cat >"$ini" <<INI
; Profile file of the Tesel demo company
[Connessioni]
NomeDB=$demo/azienda.db
[Menu]
NomeDB=$demo/comune.db
[Base]
DriveDB=$demo
DirFe=fe
DirCarica=fe
[Config]
LisSpostaCurs=N
LisClickNoSel=N
INI
fi

build/app/tesel-cli init-db --ini "$ini" --demo
# A few received invoices to review, loaded once (copies in the demo's own folder, as if
# downloaded; they stay there for the attachment extraction and the print). They arrive
# today, so they can be posted in the demo company's current accounting year.
if [[ ! -f $demo/fe/.fatture-caricate ]]; then
    cp scripts/fatture-demo/*.xml "$demo/fe/"
    build/app/tesel-cli import --ini "$ini" --data-sdi "$(date +%d/%m/%Y)" "$demo"/fe/IT*_DEMO*.xml >/dev/null
    touch "$demo/fe/.fatture-caricate"
fi
# The issued invoices the demo company has queued for the Hub (rows added by init-db --demo):
# their files, dated today as the rows, in the e-invoice folder; a successful send deletes them.
if [[ ! -f $demo/fe/.fatture-emesse ]]; then
    for f in scripts/fatture-demo/emesse/*.xml; do
        sed "s/@DATA@/$(date +%Y-%m-%d)/" "$f" >"$demo/fe/$(basename "$f")"
    done
    touch "$demo/fe/.fatture-emesse"
fi

# The demo's Hub: its own data under $demo/hub, the demo company's account (the address, login
# and password are the menu parameters FEHubUrl, FEHubLogin, FEHubPwd seeded by init-db) and
# a few received invoices waiting to be downloaded.
hub=$demo/hub
build/app/tesel-hub utente --dati "$hub" --login demo --password demo-hub --partita-iva 04738210287 \
    --denominazione "Demo Srl" >/dev/null
if [[ ! -f $hub/.fatture-depositate ]]; then
    build/app/tesel-hub deposita --dati "$hub" --partita-iva 04738210287 scripts/fatture-hub/* >/dev/null
    touch "$hub/.fatture-depositate"
fi
if (exec 3<>/dev/tcp/127.0.0.1/8765) 2>/dev/null; then
    echo "Porta 8765 già in uso: si usa l'Hub che vi è in ascolto (un'altra demo?)"
else
    build/app/tesel-hub serve --dati "$hub" --porta 8765 >>"$hub/hub.log" 2>&1 &
    hubpid=$!
    trap 'kill "$hubpid" 2>/dev/null || true' EXIT
    sleep 0.5
    if kill -0 "$hubpid" 2>/dev/null; then
        echo "Hub dimostrativo in ascolto su http://127.0.0.1:8765 (registro in $hub/hub.log)"
    else
        echo "Hub dimostrativo non avviato: vedere $hub/hub.log (la porta 8765 è occupata?)"
    fi
fi

echo "Azienda dimostrativa in $demo"
if [[ -n ${DISPLAY:-}${WAYLAND_DISPLAY:-} || ${QT_QPA_PLATFORM:-} == offscreen ]]; then
    build/app/tesel-menu --ini "$ini" --tesel "$PWD/build/app/tesel"
    exit
fi
echo "Nessun display: il menu si apre con  build/app/tesel-menu --ini \"$ini\"  in una sessione grafica,"
echo "con l'Hub avviato da  build/app/tesel-hub serve --dati \"$hub\" --porta 8765"
build/app/tesel-cli riepilogo --ini "$ini"
