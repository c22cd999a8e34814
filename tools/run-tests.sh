#!/bin/sh
# Builds and runs the whole test suite: a normal build (with the Python package and
# the Debian package), an AddressSanitizer + UndefinedBehaviorSanitizer build, and
# the Windows build of quillon-convert under Wine.
set -e
cd "$(dirname "$0")/.."
for preset in default asan; do
  cmake --preset "$preset"
  cmake --build --preset "$preset" -j"$(nproc)"
  ctest --preset "$preset" -j"$(nproc)"
done
cmake --preset windows
cmake --build --preset windows -j"$(nproc)"
sh tools/wine-tests.sh build/default build/windows
