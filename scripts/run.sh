#!/usr/bin/env bash
# Sets everything up, builds, and starts the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
if [ ! -x build/Tavik ]; then
  echo "Tavik startet noch nicht: das Hauptprogramm ist noch nicht gebaut." >&2
  exit 1
fi
exec build/Tavik "$@"
