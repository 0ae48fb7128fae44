#!/usr/bin/env bash
# Posting N received invoices of the demo company's accounting year with tesel-cli, as a user
# would from the command line: a new demo company in a folder of its own, the typical invoices
# bench_post generates (kept with --cartella), imported with new suppliers and the purchase
# causal, then posted by `tesel-cli contabilizza`, whose wall and CPU time is printed.
#   bench/post/contabilizza-cli.sh [N] [CARTELLA]
# Run from the repository after a build (build/); CARTELLA (a new temporary folder by default)
# keeps the files and the database.
set -euo pipefail
cd "$(dirname "$0")/../.."

n=${1:-1000}
cartella=${2:-$(mktemp -d)}
mkdir -p "$cartella"
cli=build/app/tesel-cli

# The invoices only: bench_post writes them dated in the demo company's year and posts them in
# a database of its own, which is not used here.
build/bench/post/bench_post --fatture "$n" --cartella "$cartella/generate" >/dev/null

ini=$cartella/tesel.ini
rm -f "$cartella/azienda.db" "$cartella/comune.db"
printf '[Connessioni]\nNomeDB=%s\n[Menu]\nNomeDB=%s\n' "$cartella/azienda.db" "$cartella/comune.db" >"$ini"
"$cli" crea-db --ini "$ini" --demo >/dev/null 2>&1
# The demo company's group and ledger of the suppliers, as the import dialog proposes them.
gruppo=$(sqlite3 "$cartella/azienda.db" "SELECT Valore FROM ParametriAzienda WHERE Nome = 'CauCon.GruppoFornitori'")
mastro=$(sqlite3 "$cartella/azienda.db" "SELECT Valore FROM ParametriAzienda WHERE Nome = 'CauCon.MastroFornitori'")
find "$cartella/generate/xml" -name '*.xml' -print0 | sort -z |
    xargs -0 "$cli" importa --ini "$ini" --crea-fornitori "$gruppo" "$mastro" --causale FAA >/dev/null 2>&1

# The report goes to a file, the progress lines to another: only the posting is timed.
/usr/bin/time -o "$cartella/tempo.txt" -f "%e %U %S %M" \
    "$cli" contabilizza --ini "$ini" >"$cartella/contabilizza.txt" 2>"$cartella/avanzamento.txt"
read -r secondi utente sistema memoria <"$cartella/tempo.txt"
contabilizzate=$(sqlite3 "$cartella/azienda.db" "SELECT count(*) FROM FatXmlTest WHERE Contabilizzato = 'S'")
echo "tesel-cli contabilizza: $contabilizzate di $n fatture contabilizzate in $secondi s" \
    "(CPU $utente s utente + $sistema s sistema): $(echo "$n / $secondi" | bc) fatture/s," \
    "memoria di picco $memoria KB"
[[ $contabilizzate == "$n" ]]
