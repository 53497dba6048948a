#!/usr/bin/env bash
# Checks the format, builds the project with warnings as errors, and runs the whole
# test suite through CTest, with the Firebird server on loopback for the tests that go
# over TCP; then the unit and engine tests again, built with AddressSanitizer and
# UndefinedBehaviorSanitizer in build-asan. Arguments go to both ctest runs. Each
# step's time is printed, so that the cost of each stays in sight.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/check-format.sh

took() { echo "test: $1 took $((SECONDS - started)) s"; }

# ccache where the machine has it (setup.sh does not install it).
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1
fi

started=$SECONDS
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOLVARIN_WERROR=ON \
  "${launcher[@]}" >/dev/null
cmake --build build -j2
took "the build"

# Only the unit and engine tests, at -O0 (Debug): it compiles fastest, and the
# sanitizers need no optimisation to find what they find.
started=$SECONDS
sanitized_tests=(base_tests firebird_driver_tests dataset_tests engine_tests bill_tests)
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DOLVARIN_WERROR=ON \
  -DOLVARIN_SANITIZE=ON -DOLVARIN_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build build-asan -j2 --target "${sanitized_tests[@]}"
took "the sanitizer build"

# Stop the server afterwards only when this run started it.
if ! scripts/fbserver.sh running; then
  scripts/fbserver.sh start
  trap 'scripts/fbserver.sh stop' EXIT
else
  scripts/fbserver.sh start  # the login only; the server stays as it was
fi
export QT_QPA_PLATFORM=offscreen
status=0
started=$SECONDS
ctest --test-dir build --output-on-failure -j2 "$@" || status=$?
took "the tests"

# Leak reports from the Firebird client's own allocations are left out
# (tests/lsan.supp says which and why); a leak of ours still fails its test.
started=$SECONDS
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1
ctest --test-dir build-asan --output-on-failure -j2 "$@" || status=$?
took "the tests under the sanitizers"
exit $status
