#!/usr/bin/env bash
# Makes the release: builds gantrel for x64 and x86 in fresh build trees (no
# test suite), lays out the kit of both into gantrel-<version>/ and packs it
# as gantrel-<version>-windows.zip with a SHA256SUMS file, in
# ${GANTREL_RELEASE_DIR:-dist}. SOURCE_DATE_EPOCH defaults to the commit's
# time: it dates the build (dib_build_info) and every file in the archive, so
# two runs from the same commit give the same bytes. GANTREL_REPORT_URL is
# where the kit's documents send problem reports; a fork sets its own.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${GANTREL_RELEASE_DIR:-$root/dist}"
export SOURCE_DATE_EPOCH="${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct)}"
[ -z "$(git -C "$root" status --porcelain 2>/dev/null)" ] ||
  echo "release: warning: the tree has uncommitted changes; the archive holds them"

version="$(sed -n 's/^#define GANTREL_VERSION_STRING "\(.*\)"$/\1/p' "$root/include/gantrel.h")"
name="gantrel-$version"
rm -rf "$out"
trees="$out/build"  # x64 there, x86 in $trees/x86
stage="$out/stage/$name"
mkdir -p "$trees" "$stage"

echo "release: building $name for x64 and x86"
GANTREL_BUILD_DIR="$trees" GANTREL_ARCHS="x64 x86" GANTREL_BUILD_TYPE=Release \
  GANTREL_CMAKE_ARGS="-DGANTREL_TESTS=OFF -DGANTREL_REPORT_URL=${GANTREL_REPORT_URL:-}" \
  bash "$root/scripts/build.sh" >"$out/build.log" 2>&1 || { tail -n 30 "$out/build.log"; exit 1; }
for tree in "$trees" "$trees/x86"; do
  cmake --install "$tree" --prefix "$stage" >>"$out/build.log"
done

# The same bytes from every run: entries in one order, with the epoch as
# their time, plain permissions and no owner or extra time fields (-X).
find "$stage" -type d -exec chmod 755 {} + -o -type f -exec chmod 644 {} +
find "$stage" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
archive="$name-windows.zip"
(cd "$out/stage" && find "$name" -type f | LC_ALL=C sort | TZ=UTC zip -q -X -D "$out/$archive" -@)
(cd "$out" && sha256sum "$archive" >SHA256SUMS)

echo "release: $out/$archive ($(du -h "$out/$archive" | cut -f1)), built $(LC_ALL=C date -u -d "@$SOURCE_DATE_EPOCH" +'%b %e %Y')"
cat "$out/SHA256SUMS"
