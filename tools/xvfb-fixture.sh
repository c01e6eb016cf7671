#!/usr/bin/env bash
# CTest fixture: one Xvfb server for the Windows tests of a build.
#
#   xvfb-fixture.sh start STATE_DIR   before the first test
#   xvfb-fixture.sh stop  STATE_DIR   after the last test
#
# Several builds may test at once on one machine, so the server picks a free
# display itself (-displayfd) and writes its number to STATE_DIR/display;
# tools/with-display.sh reads it for every test. The server runs detached
# with its standard streams on /dev/null: a process that kept CTest's output
# pipe open would make CTest wait after every test.
set -u
action=${1:?usage: xvfb-fixture.sh start|stop STATE_DIR}
state=${2:?usage: xvfb-fixture.sh start|stop STATE_DIR}
pidfile=$state/xvfb.pid
displayfile=$state/display

stop_recorded() {
  if [ -f "$pidfile" ]; then
    pid=$(cat "$pidfile")
    # Only the server this fixture started, identified by its recorded id.
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null && \
       grep -q Xvfb "/proc/$pid/cmdline" 2>/dev/null; then
      kill "$pid" 2>/dev/null
      for _ in $(seq 50); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
      done
    fi
    rm -f "$pidfile"
  fi
  rm -f "$displayfile" "$state/display.new"
}

case "$action" in
start)
  mkdir -p "$state" || exit 1
  stop_recorded  # a server left over from an interrupted run of this build
  command -v Xvfb >/dev/null || { echo "xvfb-fixture: Xvfb is not installed" >&2; exit 1; }
  : >"$state/display.new"
  setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset \
    3>"$state/display.new" </dev/null >/dev/null 2>&1 &
  echo $! >"$pidfile"
  for _ in $(seq 100); do
    number=$(tr -dc '0-9' <"$state/display.new")
    if [ -n "$number" ]; then
      echo "$number" >"$displayfile"
      rm -f "$state/display.new"
      echo "Xvfb on display :$number"
      exit 0
    fi
    kill -0 "$(cat "$pidfile")" 2>/dev/null || break
    sleep 0.1
  done
  echo "xvfb-fixture: Xvfb did not start" >&2
  stop_recorded
  exit 1
  ;;
stop)
  stop_recorded
  exit 0
  ;;
*)
  echo "usage: xvfb-fixture.sh start|stop STATE_DIR" >&2
  exit 2
  ;;
esac
