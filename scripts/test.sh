#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the release build
# (core, command line and windows) and its Debian package, then core and command line again under
# AddressSanitizer and UndefinedBehaviorSanitizer, the fuzz targets, and the
# Windows build of the core and command line under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
export QT_QPA_PLATFORM=offscreen

# The sources keep to the repository's format.
unformatted=$(git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run 2>&1 | grep -c 'warning:' || true)
if [ "$unformatted" != "0" ]; then
  echo "clang-format: $unformatted places differ from .clang-format; run clang-format -i on them"
  git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run 2>&1 | grep 'warning:' | head -20
  exit 1
fi

# The windows keep their state to themselves.
bash scripts/check-fields.sh

bash scripts/build.sh build -DCORVANE_WERROR=ON
(cd build && ctest --output-on-failure -j "$(nproc)" --timeout 600)

# --quick: the release build and its tests only, for development.
[ "${1:-}" = "--quick" ] && exit 0

# The Debian package from that build, checked with lintian.
bash scripts/package.sh build

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
bash scripts/build.sh build-asan -DCORVANE_WERROR=ON -DCORVANE_SANITIZE=ON -DCORVANE_GUI=OFF -DCORVANE_BENCH=OFF
(cd build-asan && ctest --output-on-failure -j "$(nproc)" --timeout 900 -LE large)

# The fuzz targets, a minute each, under the sanitizers.
bash fuzz/run.sh "${FUZZ_SECONDS:-60}"

# The Windows build, its tests under Wine and the Windows zip.
bash scripts/windows.sh
