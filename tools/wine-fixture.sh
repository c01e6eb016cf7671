#!/usr/bin/env bash
# CTest fixture for the Windows test programs run under Wine.
#
#   wine-fixture.sh setup   WINE WINESERVER   before the first test
#   wine-fixture.sh cleanup WINE WINESERVER   after the last test
#
# WINEPREFIX (a folder of the build), WINEARCH, WINEDEBUG and WINEDLLOVERRIDES
# come from the test's environment.
#
# setup creates the prefix on first use with the settings a headless run
# needs, then starts one persistent wineserver and the Wine services with
# their standard streams on /dev/null. Anything Wine starts inside a test
# would otherwise inherit CTest's output pipe, and CTest would wait seconds
# after every test for the pipe to close.
set -u
action=${1:?usage: wine-fixture.sh setup|cleanup WINE WINESERVER}
wine=${2:-wine}
wineserver=${3:-wineserver}
: "${WINEPREFIX:?WINEPREFIX must be set}"
ready_stamp="$WINEPREFIX/.tev-prefix-ready"

quiet() { "$@" </dev/null >/dev/null 2>&1; }

reg_add() {
  # reg_add KEY VALUE TYPE DATA
  if ! quiet "$wine" reg add "$1" /v "$2" /t "$3" /d "$4" /f; then
    echo "wine-fixture: could not set $1\\$2" >&2
    exit 1
  fi
}

case "$action" in
setup)
  mkdir -p "$WINEPREFIX" || exit 1
  # Daemonises and returns at once; does nothing if a server already runs.
  quiet "$wineserver" -p
  if [ ! -e "$ready_stamp" ]; then
    echo "Creating Wine prefix $WINEPREFIX"
    if ! quiet "$wine" wineboot --init; then
      echo "wine-fixture: wineboot --init failed" >&2
      exit 1
    fi
    # A crash prints a backtrace and exits instead of waiting on a dialog.
    reg_add 'HKCU\Software\Wine\WineDbg' ShowCrashDialog REG_DWORD 0
    # No sound devices, no ALSA noise.
    reg_add 'HKCU\Software\Wine\Drivers' Audio REG_SZ ''
    # Without a window manager, unmanaged windows close without a delay.
    reg_add 'HKCU\Software\Wine\X11 Driver' Managed REG_SZ N
    touch "$ready_stamp"
  else
    if ! quiet "$wine" wineboot; then
      echo "wine-fixture: wineboot failed" >&2
      exit 1
    fi
  fi
  # Prove the prefix answers before the tests rely on it.
  out=$("$wine" reg query 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog </dev/null 2>/dev/null)
  if ! grep -q 'ShowCrashDialog.*0x0' <<<"$out"; then
    echo "wine-fixture: the prefix does not answer as expected:" >&2
    echo "$out" >&2
    exit 1
  fi
  echo "Wine prefix ready: $WINEPREFIX"
  ;;
cleanup)
  quiet "$wineserver" -k
  # Wait until it is gone so the next run starts from a clean state.
  quiet "$wineserver" -w
  exit 0
  ;;
*)
  echo "usage: wine-fixture.sh setup|cleanup WINE WINESERVER" >&2
  exit 2
  ;;
esac
