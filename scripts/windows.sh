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
# A new prefix is finished in the background after wineboot returns (its
# services run wine.inf and register the built-in programs), and a server
# left alone ends a while after its last client: a run that starts while
# either goes on may print nothing. So the prefix is made and waited for
# first, with a server that ends with it; then one server is started for
# all the runs below and kept until the script ends, away from their pipes
# (ctest waits for every holder of its pipe to end).
wineboot --init </dev/null >/dev/null 2>&1
wineserver -w </dev/null >/dev/null 2>&1 || true
wineserver -p </dev/null >/dev/null 2>&1 || true
wineboot </dev/null >/dev/null 2>&1
trap 'wineserver -k 2>/dev/null || true' EXIT

failures=0
echo "== Tests under Wine"
(cd "$out/corvane" && ctest --output-on-failure --timeout 900) || failures=$((failures + 1))

# The same tool built for Linux, to compare with.
echo "== Linux corvane-cli for the comparison"
cmake -S . -B "$out/linux" -DCMAKE_BUILD_TYPE=Release -DCORVANE_GUI=OFF -DCORVANE_TESTS=OFF \
  -DCORVANE_BENCH=ON >/dev/null
cmake --build "$out/linux" -j "$jobs" --target corvane-cli corvane-make-sample >/dev/null
linux_cli=$out/linux/src/cli/corvane-cli
winpath() { local p=${1//\//\\}; printf 'Z:%s' "$p"; }
wincli() { wine "$cli_exe" "$@"; }
# A run under Wine that fails where the Linux run succeeded shows what it
# printed on standard error.
wincli_checked() { # wincli_checked RC-LINUX STDOUT STDERR ARGS...
  local rc_linux=$1 out=$2 err=$3 rc=0
  shift 3
  wincli "$@" >"$out" 2>"$err" || rc=$?
  if [ "$rc" != 0 ] && [ "$rc_linux" = 0 ]; then
    echo "note: corvane-cli.exe $1 exited $rc; its standard error:"
    sed 's/^/  /' "$err" | head -10
  fi
  return "$rc"
}

compare() { # compare WHAT LINUX-OUTPUT WINDOWS-OUTPUT
  if ! cmp -s "$2" "$3"; then
    echo "DIFFERENT: $1"
    diff <(head -c 4000 "$2") <(head -c 4000 "$3") | head -20 || true
    failures=$((failures + 1))
  fi
}
# The names and sha256 of every file below a folder.
tree_sums() { (cd "$1" && find . -type f -print0 | LC_ALL=C sort -z | xargs -0r sha256sum); }

cmp_dir=$out/compare
samples=$root/../shared/samples
if [ -d "$samples" ]; then
  echo "== corvane-cli.exe under Wine against the Linux build on $samples"
  for f in "$samples"/*; do
    name=$(basename "$f")
    case "$name" in README.md | expected.json) continue ;; esac
    rm -rf "$cmp_dir" && mkdir -p "$cmp_dir"/{linux,windows}
    if [[ "$name" == *.zip ]]; then
      rc_l=0 rc_w=0 before=$failures
      "$linux_cli" unzip "$f" >"$cmp_dir/linux.txt" 2>/dev/null || rc_l=$?
      wincli_checked "$rc_l" "$cmp_dir/windows.txt" "$cmp_dir/windows.err" unzip "$(winpath "$f")" || rc_w=$?
      compare "unzip $name" "$cmp_dir/linux.txt" "$cmp_dir/windows.txt"
      [ "$rc_l" = "$rc_w" ] || { echo "DIFFERENT: unzip $name exit $rc_l / $rc_w"; failures=$((failures + 1)); }
      [ "$failures" = "$before" ] && echo "same: $name (listing)"
      continue
    fi
    rc_l=0 rc_w=0 before=$failures
    "$linux_cli" list --json "$f" >"$cmp_dir/linux.json" 2>/dev/null || rc_l=$?
    wincli_checked "$rc_l" "$cmp_dir/windows.json" "$cmp_dir/windows.err" list --json "$(winpath "$f")" || rc_w=$?
    compare "list --json $name" "$cmp_dir/linux.json" "$cmp_dir/windows.json"
    [ "$rc_l" = "$rc_w" ] || { echo "DIFFERENT: list $name exit $rc_l / $rc_w"; failures=$((failures + 1)); }
    for mode in binary text; do
      mkdir -p "$cmp_dir/linux/$mode" "$cmp_dir/windows/$mode"
      "$linux_cli" extract --$mode -o "$cmp_dir/linux/$mode" "$f" >/dev/null 2>&1 || true
      wincli extract --$mode -o "$(winpath "$cmp_dir/windows/$mode")" "$(winpath "$f")" \
        >/dev/null 2>&1 || true
      tree_sums "$cmp_dir/linux/$mode" >"$cmp_dir/linux.sums"
      tree_sums "$cmp_dir/windows/$mode" >"$cmp_dir/windows.sums"
      compare "extract --$mode $name (names and sha256)" "$cmp_dir/linux.sums" "$cmp_dir/windows.sums"
    done
    [ "$failures" = "$before" ] && echo "same: $name ($(wc -l <"$cmp_dir/linux.sums") files)"
  done
else
  echo "== SKIPPED the comparison with the Linux build: $samples is absent"
fi

# Member names that are device names on Windows, or hold characters its file
# names may not have: the output-name rule gives the same names on both.
echo "== Extracted names of awkward member names, Linux against Wine"
awk_dir=$out/compare-awkward
rm -rf "$awk_dir" && mkdir -p "$awk_dir"
"$out/linux/bench/corvane-make-sample" --awkward-names "$awk_dir/awkward.xmi"
"$linux_cli" list --json "$awk_dir/awkward.xmi" >"$awk_dir/linux.json" 2>/dev/null || true
wincli list --json "$(winpath "$awk_dir/awkward.xmi")" >"$awk_dir/windows.json" 2>/dev/null || true
compare "list --json awkward.xmi" "$awk_dir/linux.json" "$awk_dir/windows.json"
before=$failures
for mode in binary text; do
  mkdir -p "$awk_dir/linux/$mode" "$awk_dir/windows/$mode"
  "$linux_cli" extract --$mode -o "$awk_dir/linux/$mode" "$awk_dir/awkward.xmi" >/dev/null 2>&1 || true
  wincli extract --$mode -o "$(winpath "$awk_dir/windows/$mode")" "$(winpath "$awk_dir/awkward.xmi")" \
    >/dev/null 2>&1 || true
  tree_sums "$awk_dir/linux/$mode" >"$awk_dir/linux.sums"
  tree_sums "$awk_dir/windows/$mode" >"$awk_dir/windows.sums"
  # Every member gave a file of its own.
  files=$(wc -l <"$awk_dir/linux.sums")
  [ "$files" -ge 20 ] || { echo "awkward.xmi: only $files files (--$mode)"; failures=$((failures + 1)); }
  compare "extract --$mode awkward.xmi (names and sha256)" "$awk_dir/linux.sums" "$awk_dir/windows.sums"
done
[ "$failures" = "$before" ] && echo "same: awkward.xmi ($(wc -l <"$awk_dir/linux.sums") files)"

# Files and folders whose names are not ASCII: the tool takes them from its
# command line and writes under them as the Linux build does.
echo "== Names outside ASCII, Linux against Wine"
uni_dir=$out/compare-unicode
rm -rf "$uni_dir" && mkdir -p "$uni_dir"
before=$failures
for name in "Grüße.xmi" "日本.xmi"; do
  cp "$awk_dir/awkward.xmi" "$uni_dir/$name"
  for side in linux windows; do mkdir -p "$uni_dir/$side/$name/données"; done
  "$linux_cli" info --json "$uni_dir/$name" >"$uni_dir/linux.json" 2>&1 || true
  LANG=C.UTF-8 wincli info --json "$(winpath "$uni_dir/$name")" >"$uni_dir/windows.json" 2>&1 || true
  compare "info --json $name" "$uni_dir/linux.json" "$uni_dir/windows.json"
  grep -q "\"file\": \"$name\"" "$uni_dir/windows.json" ||
    { echo "info --json $name does not name the file"; failures=$((failures + 1)); }
  "$linux_cli" extract -o "$uni_dir/linux/$name/données" "$uni_dir/$name" >/dev/null 2>&1 || true
  LANG=C.UTF-8 wincli extract -o "$(winpath "$uni_dir/windows/$name/données")" \
    "$(winpath "$uni_dir/$name")" >/dev/null 2>&1 || true
  tree_sums "$uni_dir/linux/$name" >"$uni_dir/linux.sums"
  tree_sums "$uni_dir/windows/$name" >"$uni_dir/windows.sums"
  [ -s "$uni_dir/linux.sums" ] || { echo "$name: nothing extracted"; failures=$((failures + 1)); }
  compare "extract $name into données/ (names and sha256)" "$uni_dir/linux.sums" "$uni_dir/windows.sums"
done
[ "$failures" = "$before" ] && echo "same: Grüße.xmi and 日本.xmi, extracted into données/"

echo "== Windows package (cpack -G ZIP)"
# Only Windows' own DLLs may be needed: the runtime is linked in.
imports=$(x86_64-w64-mingw32-objdump -p "$cli_exe" | sed -n 's/^\tDLL Name: //p' | sort -u)
echo "corvane-cli.exe needs: $(echo $imports)"
for dll in $imports; do
  case "${dll,,}" in
    kernel32.dll | advapi32.dll | shell32.dll | msvcrt.dll | user32.dll | ucrtbase.dll | api-ms-win-*) ;;
    *) echo "corvane-cli.exe needs $dll, which Windows does not have"; failures=$((failures + 1)) ;;
  esac
done
(cd "$out/corvane" && cpack -G ZIP >/dev/null)
ls "$out"/corvane/*.zip

if [ "$failures" -gt 0 ]; then
  echo "windows.sh: $failures difference(s) or problem(s)"
  exit 1
fi
echo "windows.sh: all passed"
