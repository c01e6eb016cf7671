#!/usr/bin/env bash
# Runs a command on the X display of this build's Xvfb fixture.
#   with-display.sh STATE_DIR COMMAND [ARGUMENTS...]
#
# The command's output goes through a file, not straight to the caller: a
# Windows program that opens the first window of a session makes Wine start
# its desktop process (explorer.exe), which inherits the program's output.
# Were that CTest's pipe, CTest would wait for the desktop to exit, some
# twenty seconds after every GUI test.
set -u
state=${1:?usage: with-display.sh STATE_DIR COMMAND...}
shift
if [ ! -s "$state/display" ]; then
  echo "with-display: no X display recorded in $state (the Xvfb fixture did not run)" >&2
  exit 1
fi
DISPLAY=":$(cat "$state/display")"
export DISPLAY
output=$(mktemp "${TMPDIR:-/tmp}/with-display.XXXXXX") || exit 1
"$@" </dev/null >"$output" 2>&1
status=$?
cat "$output"
rm -f "$output"
exit "$status"
