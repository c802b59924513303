#!/usr/bin/env bash
# Installs what is missing, builds, and starts Corvane (with FILE, opens it).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh build -DCORVANE_TESTS=OFF
if [ -x build/src/app/corvane ]; then
  if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "No display found: starting under Xvfb." >&2
    exec xvfb-run -a build/src/app/corvane "$@"
  fi
  exec build/src/app/corvane "$@"
fi
# Without the window: show a generated sample file with the command-line tool.
file="${1:-build/sample.xmi}"
[ $# -gt 0 ] || build/bench/corvane-make-sample "$file"
build/src/cli/corvane-cli info "$file"
build/src/cli/corvane-cli list "$file"
