# Shared by play.sh and test.sh: installs what is missing and builds the game.
# Sourced, not run.

KAZOE_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# What the game needs to build and run on Debian 12.
KAZOE_BUILD_PACKAGES="build-essential cmake ninja-build qt6-base-dev qt6-multimedia-dev
  qt6-qpa-plugins libgif-dev fonts-noto-cjk"
# What the tests need besides: a virtual X screen with pointer control, screenshots, and an
# audio server with a silent output.
KAZOE_TEST_PACKAGES="xvfb xauth xdotool x11-utils imagemagick pulseaudio pulseaudio-utils
  espeak-ng sox"

kazoe_say() { printf 'kazoemashou: %s\n' "$*" >&2; }

# The game's window name and files are Japanese. Under a locale that is not UTF-8 (a fresh
# machine may have none set at all) the X tools the tests drive cannot match the window's name,
# so such a shell runs under C.UTF-8, which every Debian machine has. A UTF-8 locale stays.
if [ "$(locale charmap 2>/dev/null)" != "UTF-8" ]; then
    export LC_ALL=C.UTF-8
fi

# Installs those of the named Debian packages that are missing.
kazoe_install() {
    local missing=() pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if ! command -v apt-get >/dev/null 2>&1; then
        kazoe_say "please install: ${missing[*]}"
        return 0
    fi
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    kazoe_say "installing ${missing[*]}"
    $sudo apt-get update -qq &&
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
            "${missing[@]}" >/dev/null
}

# Configures and builds into the folder $1; further arguments go to cmake. KAZOE_TARGET, when
# set, names the one target to build.
kazoe_build() {
    local dir="$1"
    shift
    # A build folder made from another checkout (one cloned again, or moved) is made afresh:
    # CMake refuses to build one folder from two sources.
    local cache="$dir/CMakeCache.txt" source
    if [ -f "$cache" ]; then
        source="$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' "$cache")"
        if [ "$source" != "$KAZOE_ROOT" ]; then
            kazoe_say "building afresh in $dir (it was made from ${source:-another checkout})"
            rm -rf "$dir"
        fi
    fi
    cmake -S "$KAZOE_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null &&
        cmake --build "$dir" --parallel "$(nproc 2>/dev/null || echo 2)" \
            ${KAZOE_TARGET:+--target "$KAZOE_TARGET"}
}
