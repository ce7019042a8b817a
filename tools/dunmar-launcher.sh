#!/bin/sh
# Starts Dunmar in its data folder: the game reads its map, pictures, texts,
# songs and effects from the working directory.
here=$(dirname "$(readlink -f "$0")")
data="$here/../share/dunmar"
cd "$data" 2>/dev/null || { echo "dunmar: the game's data is missing: $data" >&2; exit 2; }
exec "$here/dunmar-game" "$@"
