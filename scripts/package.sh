#!/usr/bin/env bash
# Builds the Debian package build/nearbell_<version>-1_amd64.deb (or in
# $NEARBELL_BUILD_DIR): the installed layout below /usr, with the library
# dependencies read from the binary.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${NEARBELL_BUILD_DIR:-$here/build}
NEARBELL_BUILD_DIR=$build "$here/scripts/build.sh" -DNEARBELL_PORTABLE=OFF
cd "$build"
cpack -G DEB
ls -1 "$build"/nearbell_*.deb
