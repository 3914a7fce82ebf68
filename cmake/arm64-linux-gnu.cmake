# Building the game for arm64 (a Raspberry Pi 4 or 5 with 64-bit Raspberry Pi OS, or any arm64
# Debian) on an amd64 Debian machine, with Debian's multiarch cross-compiler
# (crossbuild-essential-arm64) and the arm64 Qt development packages (qt6-base-dev:arm64 and the
# others), whose cmake files are under /usr/lib/aarch64-linux-gnu. Qt's moc and rcc are the amd64
# ones of qt6-base-dev-tools. scripts/package.sh --arch arm64 uses it.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
set(PKG_CONFIG_EXECUTABLE aarch64-linux-gnu-pkg-config CACHE FILEPATH "")
# Libraries and headers of the target only; programs (moc, rcc, gzip) of the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
