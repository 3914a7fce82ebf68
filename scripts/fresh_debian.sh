#!/usr/bin/env bash
# Tries the README's two commands as a new user would, on a truly fresh Debian 12 (bookworm) or
# Debian 13 (trixie): a minimal root made by debootstrap from the Debian archive this machine
# uses, with proc, sys and dev mounted and a clone of this checkout copied in, entered with no
# locale and nothing else set.
#   1. the play command: how long until the game's window is on the screen (an X screen of this
#      machine lent to the root), with a screenshot of it;
#   2. the test command: how long it ran and whether it passed;
#   3. (package, on its own) the Debian package of scripts/package.sh, built in a fresh root of
#      the same release: installed with `apt install ./kazoemashou_….deb` in another, started by
#      a new user from its menu entry's command, how long until its window showed and how much
#      it took on disk, then removed with `apt remove`, and no file of the package left behind.
# Takes about half an hour on two cores (package: about ten minutes); not part of the test
# command. Needs root.
# Usage: bash scripts/fresh_debian.sh [bookworm|trixie] [play|test|both|package]
#        (bookworm and both by default; the two words in either order)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

release=bookworm
what=both
for word in "$@"; do
    case "$word" in
        bookworm | trixie) release="$word" ;;
        play | test | both | package) what="$word" ;;
        *)
            echo "usage: bash scripts/fresh_debian.sh [bookworm|trixie] [play|test|both|package]" >&2
            exit 2
            ;;
    esac
done
case "$release" in
    bookworm) release_name="Debian 12" ;;
    trixie) release_name="Debian 13" ;;
esac
[ "$(id -u)" -eq 0 ] || { kazoe_say "run me as root (debootstrap and chroot need it)"; exit 2; }
kazoe_install debootstrap xvfb xdotool imagemagick git

# The archive this machine installs from, so the root gets the same packages.
mirror="$(sed -n 's/^URIs: *//p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -n 1)"
[ -n "$mirror" ] || mirror="$(awk '$1 == "deb" { print $2; exit }' /etc/apt/sources.list 2>/dev/null)"
[ -n "$mirror" ] || { kazoe_say "no Debian archive found in this machine's apt sources"; exit 2; }

work="$(mktemp -d /var/tmp/kazoe-fresh.XXXXXX)"
root="$work/root"
log="$work/log"
mkdir -p "$root" "$log"
xvfb_pid=""
mounted=()
cleanup() {
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    local r m
    for r in "${mounted[@]}"; do
        for m in tmp/.X11-unix dev/pts dev sys proc; do
            mountpoint -q "$r/$m" && umount -l "$r/$m" || true
        done
    done
    rm -rf "$work"
}
trap cleanup EXIT

seconds() { date +%s; }
took() { local s=$(($2 - $1)); printf '%d min %02d s' $((s / 60)) $((s % 60)); }

# A fresh minimal root of the release in $1, with proc, sys and dev, and a clone of the checkout.
make_root() {
    local r="$1"
    mkdir -p "$r"
    debootstrap --variant=minbase "$release" "$r" "$mirror" >"$log/debootstrap" 2>&1 ||
        { tail -n 20 "$log/debootstrap"; exit 1; }
    cp /etc/resolv.conf "$r/etc/resolv.conf"
    mounted+=("$r")
    mount -t proc proc "$r/proc"
    mount --rbind /sys "$r/sys"
    mount --rbind /dev "$r/dev"
    git clone -q "$KAZOE_ROOT" "$r/root/kazoemashou"
}

if [ "$what" = package ]; then
    kazoe_say "building the package in a fresh $release_name root"
    t0=$(seconds)
    make_root "$work/build-root"
    chroot "$work/build-root" /usr/bin/env -i HOME=/root TERM=dumb \
        PATH=/usr/sbin:/usr/bin:/sbin:/bin bash -c "cd /root/kazoemashou && bash scripts/package.sh /root" \
        >"$log/package" 2>&1 || { tail -n 30 "$log/package"; exit 1; }
    deb="$(ls "$work"/build-root/root/kazoemashou_*.deb | head -n 1)"
    cp "$deb" "$work/"
    deb="$work/$(basename "$deb")"
    built_in="$(took "$t0" "$(seconds)")"
    grep -E '^[WE]: ' "$log/package" | sed 's/^/  lintian: /' >"$log/lintian" || true
fi

kazoe_say "making a fresh $release_name root in $root"
t0=$(seconds)
make_root "$root"
commit="$(git -C "$root/root/kazoemashou" rev-parse --short HEAD)"
[ "$what" = package ] && cp "$deb" "$root/root/kazoemashou/"
kazoe_say "root ready in $(took "$t0" "$(seconds)")"

# A command in the root as a new user meets it: no locale, a plain path, root's home.
in_root() {
    chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb PATH=/usr/sbin:/usr/bin:/sbin:/bin \
        ${DISPLAY:+DISPLAY=$DISPLAY} bash -c "cd /root/kazoemashou && $1"
}

# An X screen of this machine, its socket lent to the root; and given back.
lend_screen() {
    display=:$((90 + RANDOM % 9))
    Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    mkdir -p "$root/tmp/.X11-unix"
    sleep 1
    mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
}
take_screen_back() {
    umount -l "$root/tmp/.X11-unix"
    kill "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=""
}

report=()
[ "$what" = package ] && report+=("scripts/package.sh in a fresh $release_name root: $(basename "$deb") built in $built_in, lintian: $(wc -l <"$log/lintian") warnings or errors") &&
    while read -r line; do report+=("$line"); done <"$log/lintian"
if [ "$what" = play ] || [ "$what" = both ]; then
    lend_screen
    t0=$(seconds)
    DISPLAY=$display in_root "bash scripts/play.sh" >"$log/play" 2>&1 &
    play_pid=$!
    shown=""
    while kill -0 "$play_pid" 2>/dev/null && [ $(($(seconds) - t0)) -lt 1800 ]; do
        if LC_ALL=C.UTF-8 DISPLAY=$display xdotool search --onlyvisible --name 'かぞえましょう' \
            >/dev/null 2>&1; then
            shown=$(seconds)
            break
        fi
        sleep 1
    done
    if [ -n "$shown" ]; then
        sleep 3
        DISPLAY=$display import -window root "${KAZOE_FRESH_SHOT:-/tmp/fresh-debian-play.png}" 2>/dev/null || true
        report+=("play command: passed, the game's window showed after $(took "$t0" "$shown") (screenshot: ${KAZOE_FRESH_SHOT:-/tmp/fresh-debian-play.png})")
    else
        report+=("play command: FAILED, no game window after $(took "$t0" "$(seconds)")")
        tail -n 20 "$log/play"
    fi
    # Only the game of this root: other games may be running on the machine.
    for p in $(pgrep -f 'kazoemashou/installed/bin/kazoemashou' || true); do
        [ "$(readlink "/proc/$p/root")" = "$(readlink -f "$root")" ] && kill "$p" 2>/dev/null || true
    done
    wait "$play_pid" 2>/dev/null || true
    take_screen_back
fi

if [ "$what" = package ]; then
    name="$(basename "$deb")"
    in_root "apt-get update -qq" >"$log/apt" 2>&1
    t0=$(seconds)
    if in_root "DEBIAN_FRONTEND=noninteractive apt install -y ./$name" >>"$log/apt" 2>&1; then
        # apt 2 (Debian 12) says "N newly installed" and "After this operation, …"; apt 3 (Debian
        # 13) "Installing: N" and "Space needed: …".
        installed="$(grep -oE '[0-9]+ newly installed|Installing: [0-9]+' "$log/apt" | head -n 1 || true)"
        report+=("apt install ./$name: passed in $(took "$t0" "$(seconds)"), ${installed:-an unknown number of packages} with what it depends on")
        report+=("  $(grep -oE 'After this operation, .*|Space needed: .*' "$log/apt" | head -n 1 || true)")
        report+=("  the package itself: $(in_root "dpkg-query -W -f='\${Installed-Size}' kazoemashou") KiB installed ($(du -k "$deb" | cut -f1) KiB to download)")
    else
        report+=("apt install ./$name: FAILED")
        tail -n 20 "$log/apt"
    fi
    { in_root "dpkg -L kazoemashou" || true; } | while read -r f; do [ -d "$root$f" ] || echo "$f"; done \
        >"$log/files"

    # A new user starts the game as the menu does: the menu entry's command, in a login shell
    # (whose path has /usr/games).
    in_root "useradd -m kind"
    entry="$root/usr/share/applications/io.github.kazoemashou.Kazoemashou.desktop"
    command="$(sed -n 's/^Exec=//p' "$entry" | head -n 1)"
    lend_screen
    start=$(date +%s%N)
    chroot "$root" /usr/sbin/runuser -l kind -c "DISPLAY=$display exec $command" \
        >"$log/game" 2>&1 &
    game_pid=$!
    window=""
    while kill -0 "$game_pid" 2>/dev/null && [ $(($(date +%s%N) - start)) -lt 30000000000 ]; do
        # Known by its class: a game with no locale at all (as a new user of the fresh root has)
        # gives X its Japanese title in an encoding xdotool cannot match.
        window="$({ DISPLAY=$display xdotool search --onlyvisible --class kazoemashou 2>/dev/null ||
            true; } | head -n 1)"
        [ -n "$window" ] && break
        sleep 0.02
    done
    if [ -n "$window" ]; then
        shown_ms=$((($(date +%s%N) - start) / 1000000))
        sleep 2
        shot="${KAZOE_FRESH_SHOT:-/tmp/fresh-debian-package.png}"
        DISPLAY=$display import -window root "$shot" 2>/dev/null || true
        report+=("menu entry \"$command\" as a new user: the game's window showed after $shown_ms ms (screenshot: $shot)")
        report+=("  the user's picture folder: $(ls "$root/home/kind/.local/share/kazoemashou/characters" | tr '\n' ' ')")
        LC_ALL=C.UTF-8 DISPLAY=$display xdotool windowfocus --sync "$window" key Escape || true
    else
        report+=("menu entry \"$command\" as a new user: FAILED, no game window")
        tail -n 20 "$log/game"
    fi
    for _ in $(seq 50); do kill -0 "$game_pid" 2>/dev/null || break; sleep 0.1; done
    if kill -0 "$game_pid" 2>/dev/null; then
        report+=("  the game did not end at Esc: FAILED")
        for p in $(pgrep -P "$game_pid"); do kill "$p"; done
    fi
    wait "$game_pid" 2>/dev/null || true
    take_screen_back

    if in_root "DEBIAN_FRONTEND=noninteractive apt remove -y kazoemashou" >"$log/remove" 2>&1; then
        # The package's files, and anything else named after the game outside the user's folder
        # (but the clone of the checkout the package was copied into, and dpkg's own records).
        left="$(
            while read -r f; do [ ! -e "$root$f" ] || echo "$f"; done <"$log/files"
            cd "$root" && find . -xdev \( -path ./proc -o -path ./sys -o -path ./dev \
                -o -path ./home/kind -o -path ./root/kazoemashou -o -path ./var/lib/dpkg \) \
                -prune -o -iname '*kazoe*' -print | sed 's/^\.//'
        )"
        if [ -z "$left" ]; then
            report+=("apt remove: passed, none of the package's $(wc -l <"$log/files") files is left; the user's folder keeps $(cd "$root/home/kind" && find .local -type f | wc -l) files")
        else
            report+=("apt remove: FAILED, left behind: $left")
        fi
    else
        report+=("apt remove: FAILED")
        tail -n 20 "$log/remove"
    fi
fi

status=0
if [ "$what" = test ] || [ "$what" = both ]; then
    t0=$(seconds)
    if in_root "bash .ci/run" >"$log/test" 2>&1; then
        report+=("test command: passed in $(took "$t0" "$(seconds)")")
    else
        status=1
        report+=("test command: FAILED after $(took "$t0" "$(seconds)")")
        tail -n 40 "$log/test"
    fi
    grep -E 'tests passed|tests failed' "$log/test" | sed 's/^/  ctest: /' || true
fi

echo
echo "Fresh $release_name ($(sed -n 's/^PRETTY_NAME=//p' "$root/etc/os-release" | tr -d '"'), minbase, no locale set), commit $commit:"
printf '  %s\n' "${report[@]}"
[ "${#report[@]}" -gt 0 ] && [[ "${report[*]}" != *FAILED* ]] || status=1
exit $status
