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
# Now and then Wine's own Linux process trips a glibc assertion while it
# exits ("Inconsistency detected by ld.so: dl-fini.c ..."), after the Windows
# program has finished and printed its result; the status is then the
# loader's, not the program's. Such a run says nothing about the program, so
# it runs once more and that run's status counts. A run that reported a
# failed test is never repeated.
if [ "$status" -ne 0 ] &&
   grep -q '^Inconsistency detected by ld.so: dl-fini.c' "$output" &&
   ! grep -q '^\[  FAILED  \]' "$output"; then
  echo "with-display: Wine's loader failed as the process exited (status $status); running the command once more"
  "$@" </dev/null >"$output" 2>&1
  status=$?
  cat "$output"
fi
rm -f "$output"
exit "$status"
