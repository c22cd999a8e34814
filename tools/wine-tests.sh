#!/bin/sh
# The Windows build of quillon-convert under Wine: the reference vectors and the
# bad-input table of the command-line tests run against the .exe (byte for byte the
# Linux build's outputs), and a log whose name is not ASCII converts under its name.
#   tools/wine-tests.sh [LINUX_BUILD_DIR [WINDOWS_BUILD_DIR]]
set -eu
cd "$(dirname "$0")/.."
linux=${1:-build/default}
windows=${2:-build/windows}
WINE=/usr/lib/wine/wine64
export WINEPREFIX="$PWD/$windows/wine-prefix" WINEDEBUG=-all
# One wine server for the whole run: left to itself it exits a moment after its last
# client, and a program started just then fails with "recvmsg: Connection reset".
mkdir -p "$WINEPREFIX"
/usr/lib/wine/wineserver -p || true
"$WINE" wineboot -i > /dev/null 2>&1 || true
exe="$PWD/$windows/quillon-convert.exe"
"$WINE" "$exe" --version
QUILLON_CONVERT_COMMAND="$WINE $exe" QUILLON_CONVERT_WINDOWS=1 \
  "$linux/tests/quillon_tests" --gtest_filter='ConformanceTest.*:BadInputTest.*' --gtest_brief=1

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for name in "relevé-Montréal" "маршрут" "東京ドライブ"; do
  cp examples/drive-sample.klf "$scratch/$name.klf"
  "$WINE" "$exe" "$scratch/$name.klf" --quiet --best-server
  "$linux/quillon-convert" examples/drive-sample.klf -o "$scratch/linux.out" --quiet --best-server
  cmp "$scratch/$name.out" "$scratch/linux.out"
done
/usr/lib/wine/wineserver -k 2>/dev/null || true
echo "the Windows build converts as the Linux build does"
