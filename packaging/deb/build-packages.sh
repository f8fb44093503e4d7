#!/bin/sh
# Builds the Debian packages: build-packages.sh [BUILD_DIR [OUT_DIR]]
#
# Configures BUILD_DIR (build-package/ when not given) with the preset "package", which names the
# station folder, and with the compiler and linker flags of Debian's hardening (dpkg-buildflags
# with hardening=+all: fortified functions, stack protector, read-only relocations bound at
# start), builds what the packages hold and makes them in OUT_DIR (BUILD_DIR when not given).
# The test builds (build/, build-asan/) are left as they are.
set -eu
source=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$source/build-package}
out=${2:-$build}
cd "$source"

export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
cmake --preset package -B "$build" -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build "$build" --target korva5-deb-contents
mkdir -p "$out"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" >/dev/null
rm -rf "$out/_CPack_Packages"
