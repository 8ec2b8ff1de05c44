#!/usr/bin/env bash
# Writes a picture of every window of the program, in each of its states, into a folder for a person
# to look over (default: build/screenshots). Sets up and builds what is missing first; needs no display.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
out="${1:-build/screenshots}"
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
chmod 700 "$XDG_RUNTIME_DIR"
build/docs/manual/tavik_screenshots "$out"
