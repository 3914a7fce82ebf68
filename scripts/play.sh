#!/usr/bin/env bash
# Installs what is missing, builds the game and starts it full screen on the sample characters.
# The checkout is left as it is: the build goes to the user's cache folder, and the characters are
# copied on the first play to the user's data folder, where the game keeps its two small files.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

kazoe_install $KAZOE_BUILD_PACKAGES
build="${XDG_CACHE_HOME:-$HOME/.cache}/kazoemashou/build"
KAZOE_TARGET=kazoemashou kazoe_build "$build" -DBUILD_TESTING=OFF

characters="${XDG_DATA_HOME:-$HOME/.local/share}/kazoemashou/characters"
if ! compgen -G "$characters/*.gif" >/dev/null && ! compgen -G "$characters/*.GIF" >/dev/null; then
    mkdir -p "$characters"
    cp "$KAZOE_ROOT"/data/*.gif "$characters/"
    kazoe_say "the sample characters are in $characters (add your own GIF pictures there)"
fi

# The game finds its sounds and its invisible pointer in the folder it runs in.
cd "$KAZOE_ROOT/sounds"
exec "$build/src/app/kazoemashou" "$characters"
