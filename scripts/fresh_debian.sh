#!/usr/bin/env bash
# Tries the README's two commands as a new user would, on a truly fresh Debian 12: a minimal
# root made by debootstrap from the Debian archive this machine uses, with proc, sys and dev
# mounted and a clone of this checkout copied in, entered with no locale and nothing else set.
#   1. the play command: how long until the game's window is on the screen (an X screen of this
#      machine lent to the root), with a screenshot of it;
#   2. the test command: how long it ran and whether it passed.
# Takes about half an hour on two cores; not part of the test command. Needs root.
# Usage: bash scripts/fresh_debian.sh [play|test|both]   (both by default)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

what="${1:-both}"
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
cleanup() {
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    for m in tmp/.X11-unix dev/pts dev sys proc; do
        mountpoint -q "$root/$m" && umount -l "$root/$m" || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

seconds() { date +%s; }
took() { local s=$(($2 - $1)); printf '%d min %02d s' $((s / 60)) $((s % 60)); }

kazoe_say "making a fresh Debian 12 root in $root"
t0=$(seconds)
debootstrap --variant=minbase bookworm "$root" "$mirror" >"$log/debootstrap" 2>&1 ||
    { tail -n 20 "$log/debootstrap"; exit 1; }
cp /etc/resolv.conf "$root/etc/resolv.conf"
mount -t proc proc "$root/proc"
mount --rbind /sys "$root/sys"
mount --rbind /dev "$root/dev"
git clone -q "$KAZOE_ROOT" "$root/root/kazoemashou"
commit="$(git -C "$root/root/kazoemashou" rev-parse --short HEAD)"
kazoe_say "root ready in $(took "$t0" "$(seconds)")"

# A command in the root as a new user meets it: no locale, a plain path, root's home.
in_root() {
    chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb PATH=/usr/sbin:/usr/bin:/sbin:/bin \
        ${DISPLAY:+DISPLAY=$DISPLAY} bash -c "cd /root/kazoemashou && $1"
}

report=()
if [ "$what" = play ] || [ "$what" = both ]; then
    # An X screen of this machine, its socket lent to the root.
    display=:$((90 + RANDOM % 9))
    Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    mkdir -p "$root/tmp/.X11-unix"
    sleep 1
    mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
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
    pkill -f 'src/app/kazoemashou' 2>/dev/null || true
    wait "$play_pid" 2>/dev/null || true
    umount -l "$root/tmp/.X11-unix"
    kill "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=""
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
echo "Fresh Debian 12 ($(sed -n 's/^PRETTY_NAME=//p' "$root/etc/os-release" | tr -d '"'), minbase, no locale set), commit $commit:"
printf '  %s\n' "${report[@]}"
[ "${#report[@]}" -gt 0 ] && [[ "${report[*]}" != *FAILED* ]] || status=1
exit $status
