#!/usr/bin/env bash
# Proves the release reproducible and usable as shipped:
# 1. runs scripts/release.sh in two fresh clones of this repository's HEAD,
#    in folders of different names, with the same SOURCE_DATE_EPOCH (the
#    commit's time unless set), and compares the archives' SHA256SUMS (and,
#    when they differ, every file inside);
# 2. checks that gantrel.dll names the epoch's day, and that a second build
#    of a release tree with nothing changed compiles and links nothing;
# 3. unpacks the archive into an empty folder and runs every command block of
#    its own README and docs/ marked for testing against it, under Wine, in a
#    prefix that only the documented set-up makes: the examples are built
#    against the unpacked kit for x64 and x86 and run beside the simulator,
#    exactly as the documentation says; then checks that everything the
#    archive points to is in it, and that it names one version everywhere
#    and the address for reports the release was given (GANTREL_REPORT_URL).
# Takes two release builds' time: about 5 to 8 minutes on 2 cores.
# Uncommitted changes are not part of the clones.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
export SOURCE_DATE_EPOCH="${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct)}"
work="$(mktemp -d "${TMPDIR:-/tmp}/gantrel-reproducible.XXXXXX")"
# The documents' test makes this prefix from nothing with their own commands.
export WINEPREFIX="$work/docs/wineprefix" WINEDEBUG=-all
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
failures=0

clones=("$work/a" "$work/second-clone")
for clone in "${clones[@]}"; do
  git clone --quiet --no-local "$root" "$clone"
  echo "reproducible: releasing in $clone (SOURCE_DATE_EPOCH=$SOURCE_DATE_EPOCH)"
  bash "$clone/scripts/release.sh" >"$clone.log" 2>&1 || { tail -n 30 "$clone.log"; exit 1; }
done
a="${clones[0]}/dist" b="${clones[1]}/dist"
archive="$(cut -d' ' -f3 "$a/SHA256SUMS")"

if cmp -s "$a/SHA256SUMS" "$b/SHA256SUMS"; then
  echo "same       $(cut -c1-16 "$a/SHA256SUMS")  $archive"
else
  echo "DIFFERENT  $archive; the files that differ:"
  (cd "$a/stage" && find . -type f | LC_ALL=C sort) | while read -r file; do
    cmp -s "$a/stage/$file" "$b/stage/$file" || echo "           $file"
  done
  failures=$((failures + 1))
fi

# dib_build_info names the epoch's day (UTC), not the day of the build.
date_text="$(LC_ALL=C date -u -d "@$SOURCE_DATE_EPOCH" +'%b %e %Y')"
for arch in x64 x86; do
  dll="$(find "$a/stage" -path "*/bin/$arch/gantrel.dll")"
  if grep -qaF "$date_text" "$dll"; then
    echo "dated      \"$date_text\" in bin/$arch/gantrel.dll"
  else
    echo "UNDATED    bin/$arch/gantrel.dll does not hold \"$date_text\""
    failures=$((failures + 1))
  fi
done

# A second build with nothing changed only checks the date: nothing is
# compiled, linked or rewritten.
tree="$a/build"
files=(bin/gantrel.dll bin/gantrel-probe.exe bin/dinput8.dll)
before="$(cd "$tree" && stat -c '%Y %n' "${files[@]}")"
second="$(cmake --build "$tree")"
echo "second build: $(grep -c '^\[' <<<"$second") step(s): $(grep '^\[' <<<"$second" | sed 's/^\[[0-9/]*\] //' | paste -sd ';')"
if grep -qE 'Building|Linking' <<<"$second" || [ "$before" != "$(cd "$tree" && stat -c '%Y %n' "${files[@]}")" ]; then
  echo "REBUILT    the second build compiled or linked again:"
  echo "$second"
  failures=$((failures + 1))
fi

# The archive as a host developer gets it: unpacked into an empty folder,
# used only through what its own documentation says.
unpacked="$work/unpacked"
mkdir -p "$unpacked"
(cd "$unpacked" && unzip -q "$a/$archive")
kit="$(find "$unpacked" -mindepth 1 -maxdepth 1 -type d)"
if python3 "$root/release/checks/run_doc_commands.py" --scratch "$work/docs" --kit "$kit" \
  --hold-desktop "$a/build/bin/hold_desktop.exe" "$kit/README.md" "$kit"/docs/*.md >"$work/docs.log" 2>&1; then
  echo "documented $(tail -n 1 "$work/docs.log"), on the unpacked archive"
else
  cat "$work/docs.log"
  failures=$((failures + 1))
fi
for check in "check_pointers.py $kit" "check_versions.py $kit --zip $a/$archive --report-to=${GANTREL_REPORT_URL:-}"; do
  if result="$(python3 "$root/release/checks/"$check 2>&1)"; then
    echo "checked    $(tail -n 1 <<<"$result")"
  else
    echo "$result"
    failures=$((failures + 1))
  fi
done

[ "$failures" -eq 0 ] && echo "reproducible: identical releases, usable as documented" ||
  { echo "reproducible: $failures problem(s)"; exit 1; }
