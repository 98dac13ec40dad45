#!/usr/bin/env bash
# The whole test suite: every build, every test. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset release
cmake --build --preset release
ctest --preset release

cmake --preset asan
cmake --build --preset asan
ctest --preset asan
