#!/usr/bin/env bash
# Builds the Debian package kazoemashou_<version>_<arch>.deb with CPack and checks it with
# lintian. The package goes into the folder given (by default the current one); the build goes to
# the user's cache folder, with Debian's own compiler flags (hardening included). As Debian does
# with games, the program goes to /usr/games (on every user's path there).
# Usage: bash scripts/package.sh [folder]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

kazoe_install $KAZOE_BUILD_PACKAGES $KAZOE_PACKAGE_PACKAGES
out="$(mkdir -p "${1:-.}" && cd "${1:-.}" && pwd)"
build="${KAZOE_PACKAGE_BUILD_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/kazoemashou/package}"

export DEB_BUILD_MAINT_OPTIONS=hardening=+all
KAZOE_TARGET=kazoemashou kazoe_build "$build" -DBUILD_TESTING=OFF -DCMAKE_INSTALL_PREFIX=/usr \
    -DCMAKE_INSTALL_BINDIR=games \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)"

# CPack installs the build into a folder of its own, computes the libraries the program needs
# with dpkg-shlibdeps and writes the package beside the build.
(cd "$build" && cpack -G DEB >"$build/cpack.log" 2>&1) || { tail -n 30 "$build/cpack.log"; exit 1; }
deb="$(ls -t "$build"/kazoemashou_*.deb | head -n 1)"
mv -f "$deb" "$out/"
deb="$out/$(basename "$deb")"

kazoe_say "lintian:"
lintian --fail-on error --display-info "$deb" >&2 || { kazoe_say "lintian found errors in $deb"; exit 1; }
kazoe_say "built $deb ($(du -k "$deb" | cut -f1) KiB)"
echo "$deb"
