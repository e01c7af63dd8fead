#!/usr/bin/env bash
# Runs the device zoo under Wine 8 and Wine 10 in the x64 build tree and
# writes docs/devices.md from that run. The test suite's zoo_table entry
# then checks that the page still matches every later run.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${GANTREL_BUILD_DIR:-$root/build}"

GANTREL_ARCHS=x64 bash "$root/scripts/build.sh" --target hid_zoo_tests >&2
rm -f "$build"/zoo-results/*.json
(cd "$build" && ctest -R '^(wine10_root|zoo_prefix_up|hid_zoo_tests|hid_zoo_tests_wine10|zoo_prefix_down|zoo-paths_prefix_up|hid_zoo_paths|hid_zoo_paths_wine10|zoo-paths_prefix_down)$' \
  --output-on-failure) >&2
python3 "$root/vhid/devices_table.py" write --devices "$root/vhid/devices" \
  --variants "$root/tests/hid/zoo/variants" --linux "$root/vhid/devices/zoo/linux" \
  --results "$build/zoo-results" --out "$root/docs/devices.md"
echo "devices-table: wrote docs/devices.md from this run" >&2
