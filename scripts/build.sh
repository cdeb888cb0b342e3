#!/usr/bin/env bash
# Configures (once) and builds one target: native, windows-x64 or windows-x86.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
target=${1:?usage: build.sh native|windows-x64|windows-x86 [cmake build arguments]}
shift
case "$target" in
  native) toolchain=() ;;
  windows-x64) toolchain=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-x86_64-w64-mingw32.cmake") ;;
  windows-x86) toolchain=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686-w64-mingw32.cmake") ;;
  *) echo "build.sh: unknown target $target" >&2; exit 2 ;;
esac
dir="$root/build/$target"
if [ ! -f "$dir/build.ninja" ]; then
  cmake -S "$root" -B "$dir" -G Ninja -Wno-dev "${toolchain[@]}" >/dev/null
fi
cmake --build "$dir" "$@"
