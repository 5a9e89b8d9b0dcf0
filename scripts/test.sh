#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test twice: in the normal build and
# under AddressSanitizer + UndefinedBehaviorSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
jobs=$(nproc)
status=0
for variant in release asan; do
  dir="$root/build-test-$variant"
  flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
  [ "$variant" = asan ] && flags=(-DCMAKE_BUILD_TYPE=Debug -DKORVALEN_SANITIZE=ON)
  echo "=== $variant build"
  cmake -S "$root" -B "$dir" -G Ninja "${flags[@]}" >/dev/null
  cmake --build "$dir" -j"$jobs"
  echo "=== $variant tests"
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir "$dir" --output-on-failure -j"$jobs" || status=1
done
exit $status
