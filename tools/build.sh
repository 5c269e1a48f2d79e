#!/usr/bin/env bash
# Configures and builds both architectures: build/x64 (run and tested under Wine) and build/x86
# (compiled and linked). Usage: tools/build.sh [x64|x86|all]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
which=${1:-all}
# The compiler cache sees paths relative to the clone, so clones in other folders share it.
export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
build_one() {
    local arch=$1 dir="$root/build/$1"
    if [ ! -f "$dir/build.ninja" ]; then
        cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch.cmake" >/dev/null
    fi
    cmake --build "$dir" -j "$(nproc)"
}
case "$which" in
    x64|x86) build_one "$which" ;;
    all) build_one x64; build_one x86 ;;
    *) echo "usage: tools/build.sh [x64|x86|all]" >&2; exit 2 ;;
esac
