#!/usr/bin/env bash
# Runs a command on the X display of this build's Xvfb fixture.
#   with-display.sh STATE_DIR COMMAND [ARGUMENTS...]
set -u
state=${1:?usage: with-display.sh STATE_DIR COMMAND...}
shift
if [ ! -s "$state/display" ]; then
  echo "with-display: no X display recorded in $state (the Xvfb fixture did not run)" >&2
  exit 1
fi
DISPLAY=":$(cat "$state/display")"
export DISPLAY
exec "$@"
