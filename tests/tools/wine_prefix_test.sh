#!/usr/bin/env bash
# tools/wine-prefix/wine-prefix.sh on the suite's own prefix ($WINEPREFIX, a
# copy of its Wine's template made by the fixture) and on scratch prefixes
# copied from the same templates. Usage: SCRIPT
set -euo pipefail
tool=$1
: "${WINEPREFIX:?the suite's prefix}" "${GANTREL_WINE_TEMPLATES:?the suite's templates}"
suite_prefix=$WINEPREFIX
work="$(mktemp -d "$(dirname "$suite_prefix")/wine-prefix-test.XXXXXX")"
trap 'for p in "$work"/*/; do WINEPREFIX="${p%/}" wineserver -k 2>/dev/null || true; done; rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# A copy shares exactly the files its template lists, and keeps its own
# registry and update stamp (switched off), and its own server folder name
# once Wine ran in it.
template="$(cat "$suite_prefix/.gantrel-template-of")"
listed="$(cut -d' ' -f3- "$template/.gantrel-shared")"
[ "$(wc -l <<<"$listed")" -gt 1000 ] || fail "the template lists $(wc -l <<<"$listed") shared files"
check_copy() {
  local prefix=$1 file
  shift
  while IFS= read -r file; do
    [ "$prefix/$file" -ef "$template/$file" ] || fail "$prefix: not shared with the template: $file"
  done <<<"$listed"
  for file in system.reg user.reg userdef.reg .update-timestamp "$@"; do
    [ -f "$prefix/$file" ] && [ "$(stat -c %h "$prefix/$file")" = 1 ] || fail "$prefix: not its own: $file"
  done
  [ "$(cat "$prefix/.update-timestamp")" = disable ] || fail "$prefix: Wine may update the shared files"
}
check_copy "$suite_prefix" wineserver

# A folder it did not make is refused and left as it was.
mkdir "$work/user-folder"
echo keep >"$work/user-folder/user.reg"
if WINEPREFIX="$work/user-folder" bash "$tool" make 2>"$work/refused.err"; then fail "made a prefix over a user's folder"; fi
grep -q "holds files this script did not make" "$work/refused.err" || fail "refused without saying why"
[ "$(cat "$work/user-folder/user.reg")" = keep ] || fail "changed a folder it did not make"

# A prefix is made again for another stamp, and only then.
export WINEPREFIX="$work/stamped"
bash "$tool" make first
check_copy "$WINEPREFIX"
echo mark >"$WINEPREFIX/drive_c/mark"
bash "$tool" ready first || fail "not ready for the stamp it was made with"
bash "$tool" make first
[ -f "$WINEPREFIX/drive_c/mark" ] || fail "made again for the same stamp"
bash "$tool" ready second && fail "ready for another stamp"
bash "$tool" make second
[ -f "$WINEPREFIX/drive_c/mark" ] && fail "not made again for another stamp"

# A file written through a link into the template fails the prefix's down,
# and the template is made again. Here the template is a scratch copy whose
# one written file, user32.dll, is its own; its other files stay the suite's.
scratch_templates="$work/templates"
mkdir "$scratch_templates"
cp -al "$template" "$scratch_templates/"
copy="$scratch_templates/$(basename "$template")"
written=drive_c/windows/system32/user32.dll
rm "$copy/.gantrel-template"
cp "$template/.gantrel-template" "$copy/.gantrel-template"
cp -p --remove-destination "$template/$written" "$copy/$written"
export WINEPREFIX="$work/written" GANTREL_WINE_TEMPLATES="$scratch_templates"
bash "$tool" make
[ "$WINEPREFIX/$written" -ef "$copy/$written" ] || fail "the scratch prefix is no copy of the scratch template"
bash "$tool" down || fail "down failed with nothing written"
echo written >>"$WINEPREFIX/$written"
if bash "$tool" down 2>"$work/written.err"; then fail "down missed a file written through to the template"; fi
grep -q "^  $written\$" "$work/written.err" || fail "down did not name $written: $(cat "$work/written.err")"
bash "$tool" ready && fail "a prefix of a written template is still ready"
[ -f "$copy/.gantrel-template" ] && fail "a written template is kept"
[ "$(stat -c %s "$template/$written")" = "$(cut -d' ' -f1 < <(grep " $written\$" "$template/.gantrel-shared"))" ] ||
  fail "the suite's template changed"

echo "wine-prefix.sh: $failures failure(s)"
[ "$failures" -eq 0 ]
