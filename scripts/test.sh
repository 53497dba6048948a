#!/usr/bin/env bash
# Builds the project and runs the whole test suite through CTest, with the Firebird
# server on loopback for the tests that go over TCP.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2
# Stop the server afterwards only when this run started it.
if ! scripts/fbserver.sh running; then
  scripts/fbserver.sh start
  trap 'scripts/fbserver.sh stop' EXIT
else
  scripts/fbserver.sh start  # the login only; the server stays as it was
fi
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j2 "$@"
