#!/usr/bin/env bash
# Sets everything up, builds, and starts the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

# The installer prepares the data folder and leaves the first-start marker in it. Without an
# installation, this does the same once, so that the first run seeds the default accounts.
appdata="${TAVIK_FOLDER_COMMON_APPDATA:-${XDG_DATA_HOME:-$HOME/.local/share}}"
data="$appdata/Dolmix/Tavik"
if [ ! -d "$data" ]; then
  mkdir -p "$data"
  : > "$data/Start.inf"
fi

# The manual "Tavik.pdf" lies beside the program: the program's folder is its current folder, as the
# installed launcher makes it.
cd build
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "Kein Bildschirm gefunden (DISPLAY ist leer): Tavik läuft unsichtbar unter xvfb-run." >&2
  exec xvfb-run -a ./Tavik "$@"
fi
exec ./Tavik "$@"
