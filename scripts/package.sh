#!/usr/bin/env bash
# Builds the Debian package kazoemashou_<version>_<arch>.deb with CPack and checks it with
# lintian. The package goes into the folder given (by default the current one); the build goes to
# the user's cache folder, with Debian's own compiler flags (hardening included). As Debian does
# with games, the program goes to /usr/games (on every user's path there).
#
# --arch arm64 builds the package for arm64 (a Raspberry Pi 4 or 5, or any arm64 Debian) on this
# amd64 machine, as root: in a minimal Debian root of this machine's release (debootstrap, kept in
# the cache folder for the next time), with Debian's multiarch cross-compiler and the arm64 Qt
# packages, through cmake/arm64-linux-gnu.cmake. --try then unpacks that package in the root,
# starts the arm64 program through qemu-user on a private X screen, and reports how
# long until its window showed, with a screenshot. Emulated timings say nothing of a real Pi.
#
# Usage: bash scripts/package.sh [folder]
#        bash scripts/package.sh --arch arm64 [--try] [folder]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

arch=""
try=""
folder="."
while [ $# -gt 0 ]; do
    case "$1" in
        --arch) arch="${2:-}"; shift 2 ;;
        --try) try=1; shift ;;
        -*) echo "usage: bash scripts/package.sh [--arch arm64 [--try]] [folder]" >&2; exit 2 ;;
        *) folder="$1"; shift ;;
    esac
done
native="$(dpkg --print-architecture 2>/dev/null || echo amd64)"
[ -z "$arch" ] && arch="$native"

if [ "$arch" = "$native" ]; then
    [ -z "$try" ] || { kazoe_say "--try is for a package of another architecture; try this one with: sudo apt install ./kazoemashou_*_$arch.deb"; exit 2; }
    kazoe_install $KAZOE_BUILD_PACKAGES $KAZOE_PACKAGE_PACKAGES
    out="$(mkdir -p "$folder" && cd "$folder" && pwd)"
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
else
    [ "$arch" = arm64 ] && [ "$native" = amd64 ] ||
        { kazoe_say "only --arch arm64, on an amd64 machine"; exit 2; }
    [ "$(id -u)" -eq 0 ] || { kazoe_say "run me as root for --arch arm64 (debootstrap and chroot need it)"; exit 2; }
    kazoe_install debootstrap $KAZOE_PACKAGE_PACKAGES
    [ -z "$try" ] || kazoe_install qemu-user-static xvfb xdotool imagemagick
    out="$(mkdir -p "$folder" && cd "$folder" && pwd)"
    cross="${KAZOE_CROSS_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/kazoemashou/cross-arm64}"
    root="$cross/root"
    xvfb_pid=""
    game_pid=""
    leave_root() {
        [ -z "$game_pid" ] || kill "$game_pid" 2>/dev/null || true
        [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
        local m
        for m in tmp/.X11-unix dev sys proc; do
            mountpoint -q "$root/$m" && umount -l "$root/$m" || true
        done
    }
    trap leave_root EXIT
    in_root() {
        chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb PATH=/usr/sbin:/usr/bin:/sbin:/bin LC_ALL=C.UTF-8 \
            DEBIAN_FRONTEND=noninteractive ${DISPLAY:+DISPLAY=$DISPLAY} bash -c "$1"
    }

    # The root: this machine's release from the archive it installs from, once.
    if [ ! -e "$cross/ready" ]; then
        mirror="$(sed -n 's/^URIs: *//p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -n 1)"
        [ -n "$mirror" ] || mirror="$(awk '$1 == "deb" { print $2; exit }' /etc/apt/sources.list 2>/dev/null)"
        codename="$(. /etc/os-release && echo "$VERSION_CODENAME")"
        kazoe_say "making the cross-building root ($codename) in $root"
        rm -rf "$root"
        mkdir -p "$root"
        debootstrap --variant=minbase "$codename" "$root" "$mirror" >"$cross/debootstrap.log" 2>&1 ||
            { tail -n 20 "$cross/debootstrap.log"; exit 1; }
    fi
    cp /etc/resolv.conf "$root/etc/resolv.conf"
    mountpoint -q "$root/proc" || mount -t proc proc "$root/proc"
    mountpoint -q "$root/sys" || mount --rbind /sys "$root/sys"
    mountpoint -q "$root/dev" || mount --rbind /dev "$root/dev"
    if [ ! -e "$cross/ready" ]; then
        # The compilers run natively; the libraries, the Qt plugins and the font are arm64's (or
        # any architecture's), as the package will meet them.
        kazoe_say "installing the cross-compiler and the arm64 libraries in the root"
        in_root "dpkg --add-architecture arm64 && apt-get update -qq && apt-get install -y -qq \
            --no-install-recommends crossbuild-essential-arm64 cmake ninja-build dpkg-dev file \
            gzip qt6-base-dev:arm64 qt6-multimedia-dev:arm64 libqt6sql6-sqlite:arm64 \
            libgif-dev:arm64 zlib1g-dev:arm64" >"$cross/apt.log" 2>&1 ||
            { tail -n 20 "$cross/apt.log"; exit 1; }
        touch "$cross/ready"
    fi

    # The checkout as it is now (its files known to git); the build folder stays for the next time.
    rm -rf "$root/root/src"
    mkdir -p "$root/root/src"
    (cd "$KAZOE_ROOT" && git ls-files -z -co --exclude-standard | tar --null -T - -cf -) |
        tar -xf - -C "$root/root/src"
    kazoe_say "building for arm64"
    flags='DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-architecture -aarm64 -c dpkg-buildflags --get'
    in_root "cd /root/src && cmake -S . -B /root/build -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE=/root/src/cmake/arm64-linux-gnu.cmake \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF -DCMAKE_INSTALL_PREFIX=/usr \
        -DCMAKE_INSTALL_BINDIR=games -DCPACK_DEBIAN_PACKAGE_ARCHITECTURE=arm64 \
        -DCMAKE_CXX_FLAGS=\"\$($flags CPPFLAGS) \$($flags CXXFLAGS)\" \
        -DCMAKE_EXE_LINKER_FLAGS=\"\$($flags LDFLAGS)\" >/dev/null &&
        cmake --build /root/build --parallel $(nproc 2>/dev/null || echo 2) --target kazoemashou &&
        cd /root/build && dpkg-architecture -aarm64 -c cpack -G DEB >cpack.log 2>&1" ||
        { tail -n 30 "$root/root/build/cpack.log" 2>/dev/null; exit 1; }
    deb="$(ls -t "$root"/root/build/kazoemashou_*_arm64.deb | head -n 1)"
fi
mv -f "$deb" "$out/"
deb="$out/$(basename "$deb")"

kazoe_say "lintian:"
lintian --fail-on error --display-info "$deb" >&2 || { kazoe_say "lintian found errors in $deb"; exit 1; }
kazoe_say "built $deb ($(du -k "$deb" | cut -f1) KiB)"

if [ -n "$try" ]; then
    # The package's files, unpacked in the root with what they need at run time, and the arm64
    # program started through qemu-user, as a menu entry starts it, on a private X screen. (apt
    # cannot install the package itself there: an arm64 package's dependency on an
    # architecture-independent one, such as Qt's translations, is met only on an arm64 system.)
    in_root "apt-get install -y -qq --no-install-recommends fonts-noto-cjk qt6-translations-l10n \
        libqt6sql6-sqlite:arm64" >"$cross/try-apt.log" 2>&1 || { tail -n 20 "$cross/try-apt.log"; exit 1; }
    rm -rf "$root/opt/kazoemashou-try"
    dpkg-deb -x "$deb" "$root/opt/kazoemashou-try"
    cp /usr/bin/qemu-aarch64-static "$root/usr/bin/"
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$cross/display" >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 50); do [ -s "$cross/display" ] && break; sleep 0.1; done
    export DISPLAY=":$(cat "$cross/display")"
    mkdir -p "$root/tmp/.X11-unix"
    mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
    start=$(date +%s%N)
    in_root "rm -rf /tmp/kazoe-try && mkdir -p /tmp/kazoe-try && HOME=/tmp/kazoe-try \
        exec qemu-aarch64-static /opt/kazoemashou-try/usr/games/kazoemashou --user-folder" >"$cross/try.log" 2>&1 &
    game_pid=$!
    window=""
    while kill -0 "$game_pid" 2>/dev/null && [ $(($(date +%s%N) - start)) -lt 120000000000 ]; do
        window="$({ xdotool search --onlyvisible --class kazoemashou 2>/dev/null || true; } | head -n 1)"
        [ -n "$window" ] && break
        sleep 0.1
    done
    [ -n "$window" ] || { kazoe_say "the arm64 game showed no window"; tail -n 20 "$cross/try.log"; exit 1; }
    shown_ms=$((($(date +%s%N) - start) / 1000000))
    sleep 5
    shot="${KAZOE_TRY_SHOT:-/tmp/kazoemashou-arm64.png}"
    import -window root "$shot"
    colours="$(identify -format '%k' "$shot")"
    kazoe_say "the arm64 program (qemu-user) showed its window after $shown_ms ms; screenshot: $shot ($colours colours); an emulated time, not a measure of a Raspberry Pi"
    xdotool windowfocus --sync "$window" key Escape || true
    for _ in $(seq 100); do kill -0 "$game_pid" 2>/dev/null || break; sleep 0.1; done
    [ "$colours" -gt 2 ] || { kazoe_say "the screen shows no character"; exit 1; }
fi
echo "$deb"
