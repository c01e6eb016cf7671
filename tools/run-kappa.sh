#!/usr/bin/env bash
# Installs what is missing, builds KappaEdit (or SigmaEdit) with its
# distribution folder and zip, and the test stand-in for the MIDI driver
# unless --no-device, and starts the program under Wine from a copy of that
# folder with its bundled script, connected through the stand-in to the
# simulated sound module, which plays the device the script describes. The program reads the device at start (with its
# progress dialog); knob turns go to the module and the module's answers
# come back to the panel.
#
#   tools/run-kappa.sh [--sigma] [--no-device] [--headless] [--wait SECONDS]
#
#   --sigma      SigmaEdit instead of KappaEdit
#   --no-device  no MIDI driver stand-in: the program finds no MIDI devices
#   --headless   run under Xvfb even when a display is there
#   --wait       seconds to wait for the main window and the start-up read
#                when headless (60)
#
# With a display the window opens for you and the command returns when you
# close the program. Without one (a server, CI) it runs under Xvfb, waits for
# the main window and for the start-up read, saves a screenshot, prints its
# path, and closes the program as a user would (WM_CLOSE to its windows).
# When a message box is up at start, over the main window or in its place
# (a skin bitmap the program refuses, say), it prints the box's text, saves
# the screenshot, prints its path, ends the program and exits non-zero. So
# does every headless run with --no-device: its start shows the box "MIDI
# devices aren't set up correctly.".
#
# After the build it prints what the build warns: the artwork's warnings
# (kept in build/mingw/artwork/<edition>-warnings.txt, so they show on
# every run while they hold) and the compilers' of what it compiled.
#
# The program runs from its own folder build/mingw/run/<Program> (a copy of
# the distribution folder, refreshed by cmake/RunFolder.cmake, so the skin
# and window positions it saves stay between runs) in a Wine prefix of its
# own, build/mingw/run/wineprefix. Its Script folder holds only what ships,
# plus the saved skin and window positions (SkinID.txt, WindowPosition.txt):
# each run deletes every other file there, in folders of your own too, and
# prints each one it deletes; an edited script goes back to the shipped one.
# TEV_BUILD_ROOT moves the build folder (default build/), TEV_JOBS sets the
# parallel build jobs.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
edition=kappa
device=1
headless=0
wait_seconds=60
while [ $# -gt 0 ]; do
  case $1 in
    --sigma) edition=sigma ;;
    --kappa) edition=kappa ;;
    --no-device) device=0 ;;
    --headless) headless=1 ;;
    --wait) shift; wait_seconds=${1:?--wait needs a number of seconds} ;;
    -h|--help) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    *) echo "run-kappa: unknown option $1 (see --help)" >&2; exit 2 ;;
  esac
  shift
done
if [ "$edition" = kappa ]; then
  program=KappaEdit; port=Kappa
else
  program=SigmaEdit; port=Sigma
fi
title="$program Controller"

say() { echo "run-kappa: $*" >&2; }

"$root/tools/setup.sh" </dev/null

build=${TEV_BUILD_ROOT:-$root/build}/mingw
jobs=${TEV_JOBS:-$(nproc 2>/dev/null || echo 4)}
say "building $program (mingw, $build)"
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" >/dev/null
# The headless run's watch over the start (tests/app/StartWatch.cpp); it
# stays in the build folder, never in the distribution.
targets=(--target "tev_dist_$edition" --target tev_start_watch)
watch="$build/tests/app/start-watch.exe"
if [ "$device" = 1 ]; then
  targets+=(--target tev_standin_winmm)
fi
log="$build/run-kappa-build.log"
if ! cmake --build "$build" -j "$jobs" "${targets[@]}" >"$log" 2>&1; then
  tail -n 30 "$log" >&2
  say "the build failed; the whole log is $log"
  exit 1
fi
# What the build warns: the artwork's warnings, kept beside the artwork by
# the step that paints it, so they show on every run while they hold, and
# the compilers' warnings of what this build compiled.
artwork_warnings="$build/artwork/$edition-warnings.txt"
if [ -s "$artwork_warnings" ]; then
  say "the artwork warns ($artwork_warnings):"
  cat "$artwork_warnings" >&2
fi
compiler_warnings=$(grep -i 'warning:' "$log" | grep -v '^tev_artwork: ' || true)
if [ -n "$compiler_warnings" ]; then
  say "the build warns ($log):"
  echo "$compiler_warnings" >&2
fi

# The program's own folder: the distribution, refreshed (its Script folder
# holds what the distribution's does and the skin and window positions the
# program saved), plus the stand-in driver beside the program when it talks
# to the module.
run="$build/run/$program"
cmake -D FROM="$build/dist/$program" -D TO="$run" -P "$root/cmake/RunFolder.cmake"
if [ "$device" = 1 ]; then
  cp "$build/standin/winmm.dll" "$build/standin/winmm_orig.dll" "$run/"
  overrides="mscoree,mshtml=;winmm=n,b"
else
  rm -f "$run/winmm.dll" "$run/winmm_orig.dll"
  overrides="mscoree,mshtml="
fi

export WINEPREFIX="$build/run/wineprefix"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="$overrides"

# Display: the user's, or an Xvfb of our own.
xvfb_pid=""
cleanup() {
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
}
trap cleanup EXIT
if [ "$headless" = 0 ] && [ -n "${DISPLAY:-}" ] && xdotool getdisplaygeometry >/dev/null 2>&1; then
  headless=0
else
  headless=1
  displayfd="$build/run/xvfb-display"
  rm -f "$displayfd"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$displayfd" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 1 100); do
    [ -s "$displayfd" ] && break
    sleep 0.1
  done
  if [ ! -s "$displayfd" ]; then
    say "Xvfb did not start"
    exit 1
  fi
  export DISPLAY=":$(head -n 1 "$displayfd")"
  say "no display: running under Xvfb on $DISPLAY"
fi

wine_reg() { wine reg add "$@" /f >/dev/null 2>&1; }
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  say "creating the Wine prefix $WINEPREFIX (once, some ten seconds)"
  wine wineboot -i >/dev/null 2>&1 || true
fi
wine_reg 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0
wine_reg 'HKCU\Software\Wine\Drivers' /v Audio /t REG_SZ /d ""
if [ "$headless" = 1 ]; then
  # No window manager under Xvfb: Wine draws the frames itself.
  wine_reg 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N
else
  wine reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f >/dev/null 2>&1 || true
fi
# The MIDI set-up as the user would make it in the set-up dialog: the
# script's first ports on the stand-in's module devices.
profile="HKCU\\Software\\Dravik\\$title"
if [ "$device" = 1 ]; then
  in_device="Standin Module In"; out_device="Standin Module Out"
else
  in_device="(none)"; out_device="(none)"
fi
wine_reg "$profile\\MIDIInConnection" /v MIDIIn0 /t REG_SZ /d "$port In"
wine_reg "$profile\\MIDIInConnection" /v MIDIInDevice0 /t REG_SZ /d "$in_device"
wine_reg "$profile\\MIDIOutConnection" /v MIDIOut0 /t REG_SZ /d "$port Out"
wine_reg "$profile\\MIDIOutConnection" /v MIDIOutDevice0 /t REG_SZ /d "$out_device"

if [ "$headless" = 0 ]; then
  say "starting $program on $DISPLAY; close its window to end"
  cd "$run"
  exec wine "$program.exe"
fi

cd "$run"
wine "$program.exe" >/dev/null 2>&1 &
program_pid=$!

# Ends the program at once: a box may be waiting for an answer.
end_program() {
  wine taskkill /f /im "$program.exe" >/dev/null 2>&1 || true
  wait "$program_pid" 2>/dev/null || true
  timeout 15 wineserver -w 2>/dev/null || true
}
shot="$build/run/$program-screenshot.png"
# The screen cut down to what the program shows.
take_screenshot() {
  import -window root png:- | convert - -trim +repage "$shot"
  echo "$shot"
}

# X shows a message box, the splash and the main window under one title, so
# the start is watched from inside Wine, where the main window has the menu
# and a box is a dialog: done when the main window takes input and the
# start-up read is over, or when a box is up.
watched=0
report=$(wine "$watch" "$program.exe" "$wait_seconds" 2>/dev/null | tr -d '\r') || watched=$?
while IFS= read -r line; do
  [ -n "$line" ] && say "$line"
done <<<"$report"
if [ "$watched" -ne 0 ]; then
  if kill -0 "$program_pid" 2>/dev/null; then
    take_screenshot
    end_program
  fi
  exit 1
fi
take_screenshot

# Close as a user would: WM_CLOSE to the program's windows (a message box
# takes the first and closes; the main window then takes the next), then
# wait.
for i in $(seq 0 99); do
  kill -0 "$program_pid" 2>/dev/null || break
  if [ $((i % 20)) -eq 0 ]; then
    wine taskkill /im "$program.exe" >/dev/null 2>&1 || true
  fi
  sleep 0.1
done
if kill -0 "$program_pid" 2>/dev/null; then
  say "$program did not close within 10 s; ending it"
  wine taskkill /f /im "$program.exe" >/dev/null 2>&1 || true
  wait "$program_pid" 2>/dev/null || true
  exit 1
fi
wait "$program_pid" 2>/dev/null || true
timeout 15 wineserver -w 2>/dev/null || true
say "$program closed"
