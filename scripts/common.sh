# Shared by play.sh and test.sh: installs what is missing and builds the game.
# Sourced, not run.

KAZOE_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# What the game needs to build and run on Debian 12 and 13 (every name is valid on both).
# qt6-image-formats-plugins reads the adult's
# WebP and TIFF pictures (GIF, PNG, JPEG and BMP come with Qt itself).
KAZOE_BUILD_PACKAGES="build-essential cmake ninja-build qt6-base-dev qt6-multimedia-dev
  qt6-qpa-plugins qt6-image-formats-plugins libgif-dev zlib1g-dev fonts-noto-cjk"
# What the tests need besides: a virtual X screen with pointer control, screenshots, an audio
# server with a silent output, and the makers of the game's sounds (tools/make_sounds.sh). The
# voice hts-voice-nitech-jp-atr503-m001 is in Debian's contrib component
# (kazoe_enable_contrib).
KAZOE_TEST_PACKAGES="xvfb xauth xdotool x11-utils imagemagick pulseaudio pulseaudio-utils
  sox open-jtalk open-jtalk-mecab-naist-jdic hts-voice-nitech-jp-atr503-m001"
# Qt's own dialogs (the file dialogs, the standard buttons) in Japanese: Qt's translations.
KAZOE_BUILD_PACKAGES="$KAZOE_BUILD_PACKAGES qt6-translations-l10n"
# Each child's record is an SQLite file, read and written through Qt SQL's SQLite driver.
KAZOE_BUILD_PACKAGES="$KAZOE_BUILD_PACKAGES libqt6sql6-sqlite"
# The installed game's menu entry and metadata are checked by their validators.
KAZOE_TEST_PACKAGES="$KAZOE_TEST_PACKAGES desktop-file-utils appstream"
# What scripts/package.sh needs besides the build: CPack's Debian package computes the
# libraries' packages with dpkg-shlibdeps (dpkg-dev, which runs file), and lintian checks it.
KAZOE_PACKAGE_PACKAGES="dpkg-dev file lintian"
# The record's PDF is rendered by poppler's pdftoppm in its test.
KAZOE_TEST_PACKAGES="$KAZOE_TEST_PACKAGES poppler-utils"
# The game on a Wayland desktop: sway on its headless back end, grim for screenshots, wtype for
# keys, and Qt's Wayland platform.
KAZOE_TEST_PACKAGES="$KAZOE_TEST_PACKAGES sway grim wtype qt6-wayland"
# Another program reading the record while the game writes it: the sqlite3 shell.
KAZOE_TEST_PACKAGES="$KAZOE_TEST_PACKAGES sqlite3"
# The class's record on the school's PostgreSQL server: the game sends through Qt SQL's PostgreSQL
# driver; the tests start a server of their own (initdb, pg_ctl) and make its certificate.
KAZOE_BUILD_PACKAGES="$KAZOE_BUILD_PACKAGES libqt6sql6-psql"
KAZOE_TEST_PACKAGES="$KAZOE_TEST_PACKAGES postgresql openssl"
# The test command builds twice; ccache keeps what was compiled for the next run.
KAZOE_TEST_PACKAGES="$KAZOE_TEST_PACKAGES ccache"

kazoe_say() { printf 'kazoemashou: %s\n' "$*" >&2; }

# The clang of this Debian release, for the sanitized build and the fuzzers: its version number
# (14 on Debian 12, 19 on Debian 13). Another release gets the newest clang-N that apt knows.
# KAZOE_CLANG picks one by hand. Install it with: kazoe_install $(kazoe_clang_packages)
kazoe_clang_version() {
    if [ -n "${KAZOE_CLANG:-}" ]; then
        echo "$KAZOE_CLANG"
        return
    fi
    local codename
    codename="$(. /etc/os-release 2>/dev/null && echo "${VERSION_CODENAME:-}")"
    case "$codename" in
        bookworm) echo 14 ;;
        trixie) echo 19 ;;
        *) apt-cache pkgnames clang- 2>/dev/null | sed -n 's/^clang-\([0-9][0-9]*\)$/\1/p' |
            sort -n | tail -n 1 ;;
    esac
}
# The packages of that clang: the compiler, its sanitizer and libFuzzer run-times, and LLVM's
# tools, whose symbolizer names the functions in a sanitizer's report (Debian 13's clang does not
# bring it along as Debian 12's does).
kazoe_clang_packages() {
    local version
    version="$(kazoe_clang_version)"
    echo "clang-${version:-14} libclang-rt-${version:-14}-dev llvm-${version:-14}"
}

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

# Enables Debian's contrib component, where the voice of the game's spoken sounds lives, unless
# that voice is installed already or apt knows contrib already: "contrib" is added to the
# entries of the apt sources that name the main component, and the script says so.
kazoe_enable_contrib() {
    command -v apt-get >/dev/null 2>&1 || return 0
    dpkg-query -W -f='${Status}' hts-voice-nitech-jp-atr503-m001 2>/dev/null |
        grep -q 'install ok installed' && return 0
    [ -n "$(apt-get indextargets 'Component: contrib' 2>/dev/null)" ] && return 0
    local sudo="" file
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    for file in $(apt-get indextargets --format '$(SOURCESENTRY)' 'Component: main' |
        sed 's/:[0-9]*$//' | sort -u); do
        kazoe_say "enabling Debian's contrib component in $file (for the voice of the sounds)"
        case "$file" in
            *.sources) $sudo sed -i -E '/^Components:/ { / contrib( |$)/! s/ main( |$)/ main contrib\1/ }' "$file" ;;
            *) $sudo sed -i -E '/^deb / { / contrib( |$)/! s/ main( |$)/ main contrib\1/ }' "$file" ;;
        esac
    done
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
    # Where ccache is installed (the test command installs it), a build of sources built before,
    # in this clone or another, takes a fraction of the time: paths are hashed relative to the
    # checkout.
    local launcher=()
    if command -v ccache >/dev/null 2>&1; then
        export CCACHE_BASEDIR="$KAZOE_ROOT" CCACHE_NOHASHDIR=1
        launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    fi
    cmake -S "$KAZOE_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" \
        "$@" >/dev/null &&
        cmake --build "$dir" --parallel "$(nproc 2>/dev/null || echo 2)" \
            ${KAZOE_TARGET:+--target "$KAZOE_TARGET"}
}
