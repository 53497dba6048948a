#!/usr/bin/env bash
# Builds the project and runs the whole test suite through CTest, with the Firebird
# server on loopback for the tests that go over TCP.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2
scripts/fbserver.sh start
trap 'scripts/fbserver.sh stop' EXIT
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j2 "$@"
