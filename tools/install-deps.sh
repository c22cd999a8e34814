#!/bin/sh
# Installs the Debian 12 packages that building and testing need.
set -e
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends \
  build-essential cmake libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev qt6-base-dev libgl-dev \
  fonts-dejavu-core libgdal-dev libsqlite3-dev libproj-dev proj-bin libssl-dev gdal-bin postgresql-15 postgresql-15-postgis-3 \
  pybind11-dev python3-dev python3-numpy python3-pandas python3-dask python3-distributed python3-pytest \
  help2man dpkg-dev file g++-mingw-w64-x86-64-posix wine64 chromium
