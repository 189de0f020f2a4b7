#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
# With --sanitize the tests are built and run with AddressSanitizer and
# UndefinedBehaviorSanitizer in build-sanitize/.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
install_missing
dir="$ROOT/build"
opts=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ "${1:-}" = "--sanitize" ]; then
  dir="$ROOT/build-sanitize"
  opts=(-DCMAKE_BUILD_TYPE=Debug -DSKERROW_SANITIZE=ON -DSKERROW_BENCH=OFF)
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
  export LSAN_OPTIONS=suppressions="$ROOT/tests/lsan.supp"
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi
build "$dir" "${opts[@]}"
cd "$dir"
status=0
ctest --output-on-failure -j"$(nproc)" --timeout 300 || status=$?
# What the random-event tests reached, also when they passed.
awk '/^[0-9]+\/[0-9]+ Test: / { test = $3 } /^chaos: (reached|passed)/ { print test ": " $0 }' \
  Testing/Temporary/LastTest.log 2>/dev/null || true
exit "$status"
