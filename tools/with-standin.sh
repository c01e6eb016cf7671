#!/usr/bin/env bash
# Runs a Windows program under Wine with the test stand-in for the MIDI
# driver (tests/standin/README.md) in place of the system's winmm.dll.
#
#   tools/with-standin.sh [-b BUILD_DIR] [-c CONTROL_DIR] [-s SCRIPT] PROGRAM.exe [ARGUMENTS...]
#
#   -b BUILD_DIR    the mingw build holding standin/winmm.dll (default: build/mingw)
#   -c CONTROL_DIR  a Linux folder for the control files: append command lines
#                   to CONTROL_DIR/commands.txt, read CONTROL_DIR/log.txt
#   -s SCRIPT       the script the simulated module is built from (default:
#                   the program's own Script/*Script.xml)
#
# Wine takes a native winmm.dll only from the program's own folder, and the
# shipped folder must never hold the stand-in. So the program's folder
# (the .exe with its Script/, Manual/ ...) is copied to
# BUILD_DIR/standin-run/<program name>/ with the stand-in beside it, and the
# copy is run from there. What the program writes into its folder (window
# positions, the skin) stays in the copy.
#
# The environment is passed on: WINEPREFIX (default BUILD_DIR/wineprefix),
# DISPLAY, TEV_STANDIN_BAUD (wire rate, default 31250; 0 answers at once),
# TEV_STANDIN_LONG_DELAY ("wire", "never" or milliseconds).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$root/build/mingw
control=
script=
while getopts "b:c:s:" option; do
  case $option in
  b) build=$OPTARG ;;
  c) control=$OPTARG ;;
  s) script=$OPTARG ;;
  *) sed -n '2,24p' "${BASH_SOURCE[0]}" >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
if [ $# -lt 1 ]; then
  sed -n '2,24p' "${BASH_SOURCE[0]}" >&2
  exit 2
fi
program=$1
shift

build=$(cd "$build" && pwd)
standin=$build/standin
for file in winmm.dll winmm_orig.dll; do
  if [ ! -f "$standin/$file" ]; then
    echo "with-standin: $standin/$file is missing (build the mingw tree first)" >&2
    exit 1
  fi
done
if [ ! -f "$program" ]; then
  echo "with-standin: no program $program" >&2
  exit 1
fi

# A Linux path as Wine sees it through its Z: drive.
windows_path() { printf 'Z:%s' "$(cd "$(dirname "$1")" && pwd)/$(basename "$1")" | tr / '\\'; }

program_dir=$(cd "$(dirname "$program")" && pwd)
program_name=$(basename "$program")
run=$build/standin-run/${program_name%.*}
rm -rf "$run"
mkdir -p "$run"
# Everything beside the program but a build's bookkeeping.
for entry in "$program_dir"/* "$program_dir"/.[!.]*; do
  [ -e "$entry" ] || continue
  case $(basename "$entry") in
  CMakeFiles | cmake_install.cmake | Makefile | CTestTestfile.cmake | *.a) continue ;;
  esac
  cp -R "$entry" "$run"/
done
cp "$standin/winmm.dll" "$standin/winmm_orig.dll" "$run"/

export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}
export WINEARCH=${WINEARCH:-win64}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winmm=n,b"
if [ -n "$control" ]; then
  mkdir -p "$control"
  export TEV_STANDIN_CONTROL
  TEV_STANDIN_CONTROL=$(windows_path "$control")
fi
if [ -n "$script" ]; then
  export TEV_STANDIN_SCRIPT
  TEV_STANDIN_SCRIPT=$(windows_path "$script")
fi

cd "$run"
exec wine "$run/$program_name" "$@"
