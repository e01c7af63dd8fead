#!/usr/bin/env bash
# Short programs one after another in the suite's prefix, each a new Wine
# process whose first dib_open makes the library's hidden window. Wine closes
# a desktop a second after its last program leaves, and a program that
# arrives during that hand-over is left without a desktop window: every
# dib_open fails with "hidden window creation failed". The pauses between the
# programs sweep across that second. With the fixture holding the desktop
# there is no hand-over: every program opens the wheel, and all of them see
# the desktop window of one and the same process.
# Usage: COUNT PROGRAM
set -euo pipefail
count=$1
program=$2
failures=0
owners=()
for ((i = 0; i < count; i++)); do
  # 0.5 to 1.4 s in steps of 100 ms, and again: with Wine's start-up, the
  # next program reaches the desktop about a second after the last one left.
  pause=$((500 + i % 10 * 100))
  sleep "$((pause / 1000)).$(printf '%03d' $((pause % 1000)))"
  status=0
  output="$(wine "$program" </dev/null 2>&1)" || status=$?
  output="${output//$'\r'/}"
  owners+=("$(sed -n 's/^desktop owner //p' <<<"$output")")
  if [ "$status" -ne 0 ]; then
    failures=$((failures + 1))
    echo "program $i, after $pause ms: $output"
  fi
done
handovers=$(printf '%s\n' "${owners[@]}" | uniq | wc -l)
echo "$((count - failures)) of $count programs opened the simulated wheel;" \
  "the desktop changed hands $((handovers - 1)) time(s)"
[ "$failures" -eq 0 ] && [ "$handovers" -eq 1 ]
