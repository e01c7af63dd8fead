#!/usr/bin/env bash
# Lays the kit of the given build trees out in DIR (named as the release
# archive unpacks, gantrel-<version>), as `cmake --install` puts it into
# the release.   stage_kit.sh DIR TREE [TREE]
set -euo pipefail
dir="$1"
shift
rm -rf "$dir"
for tree; do
  cmake --install "$tree" --prefix "$dir" >/dev/null
done
