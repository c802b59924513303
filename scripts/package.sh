#!/usr/bin/env bash
# Builds the Debian package from a release build folder (default build) and
# checks it: lintian reports no error, and the package holds the manual pages,
# the bash completion, the copyright file and the XMIT file type, which
# update-mime-database accepts (with the file-name globs and the magic bytes).
# Exits non-zero when anything is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh --package
build=${1:-build}
[ -f "$build/CMakeCache.txt" ] || bash scripts/build.sh "$build"
cmake --build "$build" -j 2 >/dev/null

echo "== Debian package"
rm -f "$build"/corvane_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/corvane_*.deb)
echo "$deb"

failures=0
contents=$(dpkg-deb -c "$deb")
for f in usr/bin/corvane usr/bin/corvane-cli \
  usr/share/man/man1/corvane.1.gz usr/share/man/man1/corvane-cli.1.gz \
  usr/share/bash-completion/completions/corvane usr/share/bash-completion/completions/corvane-cli \
  usr/share/doc/corvane/copyright usr/share/doc/corvane/changelog.gz \
  usr/share/mime/packages/corvane.xml usr/share/applications/corvane.desktop; do
  grep -q " \./$f\$" <<<"$contents" || { echo "MISSING in the package: /$f"; failures=$((failures + 1)); }
done

# The file type as the system would take it.
share=$(mktemp -d)
trap 'rm -rf "$share"' EXIT
mime=$share/mime
mkdir -p "$mime/packages"
cp data/corvane-mime.xml "$mime/packages/corvane.xml"
if XDG_DATA_DIRS=$share XDG_DATA_HOME=$share update-mime-database "$mime" 2>&1 | grep .; then
  echo "update-mime-database complained about data/corvane-mime.xml"
  failures=$((failures + 1))
fi
grep -q 'application/x-corvane-xmit:\*\.xmi$' "$mime/globs" || { echo "no *.xmi glob"; failures=$((failures + 1)); }
grep -aq 'application/x-corvane-xmit' "$mime/magic" || { echo "no magic for XMIT"; failures=$((failures + 1)); }

echo "== lintian"
lintian --tag-display-limit 0 "$deb" | tee "$build/lintian.txt" || true
if grep -q '^E:' "$build/lintian.txt"; then
  echo "lintian reported errors"
  failures=$((failures + 1))
fi

[ "$failures" = 0 ] && echo "package.sh: all passed" && exit 0
echo "package.sh: $failures problem(s)"
exit 1
