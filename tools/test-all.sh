#!/usr/bin/env bash
# The project's test command.
#
# Installs what is missing (tools/setup.sh), then configures, builds (with
# -Werror) and tests three builds:
#   build/native    system g++, Debug
#   build/sanitize  system g++, Debug, AddressSanitizer + UndefinedBehaviorSanitizer
#   build/mingw     mingw-w64 cross build, Release: the programs and zips that
#                   are shipped; the test .exe files run under Wine
# and builds the benchmark program of the native build.
#
# Every suite runs even when an earlier one fails. The exit status is non-zero
# if any build or any test failed. The last line is the combined count
# "N passed, N failed"; a build step that fails counts as one failure.
#
# TEV_BUILD_ROOT moves the three build folders elsewhere (default: build/);
# TEV_JOBS sets the number of parallel build and test jobs (default: nproc).
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root" || exit 1
build_root=${TEV_BUILD_ROOT:-$root/build}
jobs=${TEV_JOBS:-$(nproc 2>/dev/null || echo 8)}
start_time=$SECONDS

if ! "$root/tools/setup.sh" </dev/null; then
  echo "test-all: tools/setup.sh failed"
  echo "0 passed, 1 failed"
  exit 1
fi

total_passed=0
total_failed=0
summary=()

note() { summary+=("$(printf '%-9s %s' "$1:" "$2")"); }
step_failed() {
  echo "test-all: $1: $2"
  note "$1" "$2"
  total_failed=$((total_failed + 1))
}

# configure_and_build NAME DIR BUILD_TYPE [cmake arguments...]
configure_and_build() {
  local name=$1 dir=$2 build_type=$3
  shift 3
  echo
  echo "=== $name: configure ($dir, $build_type)"
  if ! cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE="$build_type" -DTEV_WERROR=ON "$@" </dev/null; then
    step_failed "$name" "CONFIGURE FAILED"
    return 1
  fi
  echo "=== $name: build"
  if ! cmake --build "$dir" -j "$jobs" </dev/null; then
    step_failed "$name" "BUILD FAILED (tests not run)"
    return 1
  fi
}

# run_tests NAME DIR
run_tests() {
  local name=$1 dir=$2 log="$2/test-all-ctest.log" rc line failed total
  echo "=== $name: test"
  ctest --test-dir "$dir" -j "$jobs" --output-on-failure --no-tests=error --timeout 120 \
    </dev/null 2>&1 | tee "$log"
  rc=${PIPESTATUS[0]}
  line=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  if [ -z "$line" ]; then
    step_failed "$name" "ctest reported no result (exit status $rc)"
    return
  fi
  failed=$(sed -E 's/^[0-9]+% tests passed, ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
  total=$(sed -E 's/^[0-9]+% tests passed, ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$line")
  total_passed=$((total_passed + total - failed))
  total_failed=$((total_failed + failed))
  note "$name" "$line"
  if [ "$rc" -ne 0 ] && [ "$failed" -eq 0 ]; then
    step_failed "$name" "ctest exited with status $rc"
  fi
}

if configure_and_build native "$build_root/native" Debug; then
  run_tests native "$build_root/native"
  echo "=== bench: build"
  if compgen -G "$root/bench/*.cpp" >/dev/null; then
    if cmake --build "$build_root/native" -j "$jobs" --target tev_bench </dev/null; then
      note bench "built $build_root/native/bench/tev_bench"
    else
      step_failed bench "BUILD FAILED"
    fi
  else
    note bench "no benchmark sources yet"
  fi
fi

if configure_and_build sanitize "$build_root/sanitize" Debug -DTEV_SANITIZE=ON -DTEV_BENCH=OFF; then
  ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:strict_string_checks=1} \
  UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1} \
    run_tests sanitize "$build_root/sanitize"
fi

if configure_and_build mingw "$build_root/mingw" Release \
     -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake"; then
  run_tests mingw "$build_root/mingw"
fi

echo
echo "=== Summary ($((SECONDS - start_time)) s)"
printf '%s\n' "${summary[@]}"
echo "$total_passed passed, $total_failed failed"
[ "$total_failed" -eq 0 ]
