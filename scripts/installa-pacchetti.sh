#!/usr/bin/env bash
# Installs the Debian packages Tesel needs to build, test and run, when they are missing.
#   scripts/installa-pacchetti.sh [--prove]   (--prove adds the PostgreSQL, CUPS and SMTP servers for the tests)
set -euo pipefail

pacchetti=(
    build-essential cmake ninja-build pkg-config clang-format
    qt6-base-dev libqt6sql6-sqlite libqt6sql6-odbc qt6-qpa-plugins
    libpugixml-dev libssl-dev libgtest-dev libgmock-dev
    unixodbc unixodbc-dev odbc-postgresql
    xvfb xauth poppler-utils locales
    libcurl4-openssl-dev libcpp-httplib-dev qt6-base-dev-tools fonts-liberation2 libcups2-dev
    zlib1g-dev openssl libxlsxwriter-dev libsqlite3-dev qt6-translations-l10n
)
if [[ "${1:-}" == "--prove" ]]; then
    pacchetti+=(postgresql-15 postgresql-client-15 cups-daemon cups-client python3-aiosmtpd)
fi

mancanti=()
for p in "${pacchetti[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || mancanti+=("$p")
done
if ((${#mancanti[@]})); then
    echo "Installo: ${mancanti[*]}"
    sudo_cmd=()
    [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${mancanti[@]}"
fi
# The tests check that amounts ignore the machine's regional settings: make an Italian locale available.
if ! locale -a 2>/dev/null | grep -qi '^it_IT.utf8$'; then
    sudo_cmd=()
    [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
    "${sudo_cmd[@]}" sed -i 's/^# *it_IT.UTF-8 UTF-8/it_IT.UTF-8 UTF-8/' /etc/locale.gen
    "${sudo_cmd[@]}" locale-gen >/dev/null
fi
