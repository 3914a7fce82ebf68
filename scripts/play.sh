#!/usr/bin/env bash
# Installs what is missing, builds the game, installs it into the user's cache folder and starts
# it full screen on the user's own picture folder, as the menu entry of an installed game does:
# on the first start the program fills that folder with the sample characters. The checkout is
# left as it is.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

kazoe_install $KAZOE_BUILD_PACKAGES
cache="${XDG_CACHE_HOME:-$HOME/.cache}/kazoemashou"
KAZOE_TARGET=kazoemashou kazoe_build "$cache/build" -DBUILD_TESTING=OFF
cmake --install "$cache/build" --prefix "$cache/installed" >/dev/null
exec "$cache/installed/bin/kazoemashou" --user-folder "$@"
