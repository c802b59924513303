#!/usr/bin/env bash
# Windows build of the core and corvane-cli, tested under Wine.
#
# Installs the MinGW-w64 cross compilers, Wine and zlib for MinGW from Debian
# (scripts/setup.sh --windows; Debian 12 packages zlib for MinGW as
# libz-mingw-w64-dev), builds GoogleTest for Windows from the sources Debian
# ships in /usr/src/googletest, cross-builds the core, corvane-cli and the core
# and command-line tests with cmake/mingw-w64-x86_64.cmake, runs the tests
# under Wine in a fresh prefix inside the build folder, compares corvane-cli.exe
# with the Linux corvane-cli on the real samples (when ../shared/samples is
# there) and on a file with awkward member names, and packages the Windows
# tool as a zip (cpack -G ZIP). Exits non-zero when anything fails.
#
# WINDOWS_BUILD=DIR changes the build folder (default build-windows).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
bash scripts/setup.sh --windows

out=$root/${WINDOWS_BUILD:-build-windows}
deps=$out/deps
toolchain=$root/cmake/mingw-w64-x86_64.cmake
mkdir -p "$out"
jobs=2

# The header-only libraries: their Debian headers and CMake files, seen from
# a prefix of their own so that no Linux header folder reaches the compiler.
mkdir -p "$deps/include" "$deps/share/cmake"
for h in nlohmann CLI; do
  ln -sfn "/usr/include/$h" "$deps/include/$h"
done
for c in nlohmann_json CLI11; do
  rm -rf "$deps/share/cmake/$c"
  cp -r "/usr/share/cmake/$c" "$deps/share/cmake/$c"
done

# GoogleTest, once per build folder.
if [ ! -f "$deps/lib/cmake/GTest/GTestConfig.cmake" ]; then
  echo "== GoogleTest for Windows from /usr/src/googletest"
  cmake -S /usr/src/googletest -B "$out/googletest" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_GMOCK=OFF -DINSTALL_GTEST=ON \
    -DCMAKE_INSTALL_PREFIX="$deps" >/dev/null
  cmake --build "$out/googletest" -j "$jobs" >/dev/null
  cmake --install "$out/googletest" >/dev/null
fi

echo "== Cross build (MinGW-w64)"
cmake -S . -B "$out/corvane" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_PREFIX_PATH="$deps" -DCORVANE_GUI=OFF -DCORVANE_BENCH=OFF >/dev/null
cmake --build "$out/corvane" -j "$jobs" --target corvane-cli corvane_core_tests corvane_cli_tests
cli_exe=$out/corvane/src/cli/corvane-cli.exe

# Wine without a display, in a prefix of its own.
export WINEPREFIX=$out/wineprefix WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=,winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY
[ -f "$WINEPREFIX/system.reg" ] || echo "== New Wine prefix in $WINEPREFIX"
# The server and Wine's own services start here, away from the pipes of the
# runs below (ctest waits for every holder of its pipe to end).
wineserver -p 60 </dev/null >/dev/null 2>&1 || true
wineboot --init </dev/null >/dev/null 2>&1
trap 'wineserver -k 2>/dev/null || true' EXIT

echo "== Tests under Wine"
(cd "$out/corvane" && ctest --output-on-failure --timeout 900)
