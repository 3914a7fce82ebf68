#pragma once

// Where a test finds the checkout and the programs it runs: CTest hands them over in the
// environment (tests/CMakeLists.txt), so that no path is compiled into a test and a clone in
// another folder builds from the compiler's cache. Run the tests through ctest.

#include <QString>
#include <QtGlobal>

inline QString sourceFolder() {
    return qEnvironmentVariable("KAZOE_SOURCE_DIR");
}
// The game as built.
inline QString programPath() {
    return qEnvironmentVariable("KAZOE_PROGRAM");
}
// A tool of the build (KAZOE_MAKE_CHARACTERS, KAZOE_MAKE_ARTWORK, KAZOE_CMAKE, KAZOE_BUILD_DIR).
inline QString builtTool(const char* variable) {
    return qEnvironmentVariable(variable);
}
