#!/usr/bin/env bash
# Builds the third-party libraries Debian does not ship for mingw, from Debian's source packages,
# into build/deps. Each step is skipped when its result is already there.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
deps="$root/build/deps"
src="$deps/src"
mkdir -p "$src"

fetch_source() { # package, glob of the unpacked folder
  local pkg=$1 glob=$2
  local dir
  dir=$(find "$src" -maxdepth 1 -type d -name "$glob" | head -n 1)
  if [ -z "$dir" ]; then
    echo "deps: fetching source package $pkg" >&2
    (cd "$src" && apt-get source -qq "$pkg" >/dev/null 2>&1) || { echo "deps: apt-get source $pkg failed" >&2; exit 1; }
    dir=$(find "$src" -maxdepth 1 -type d -name "$glob" | head -n 1)
  fi
  echo "$dir"
}

# SQLite: the amalgamation, compiled by each target's own build.
if [ ! -f "$deps/sqlite/sqlite3.c" ]; then
  sqlite_src=$(fetch_source sqlite3 'sqlite3-3*')
  echo "deps: making the SQLite amalgamation" >&2
  rm -rf "$deps/sqlite-build" && mkdir -p "$deps/sqlite-build"
  (cd "$deps/sqlite-build" && "$sqlite_src/configure" >/dev/null && make -s sqlite3.c >/dev/null)
  mkdir -p "$deps/sqlite"
  cp "$deps/sqlite-build/sqlite3.c" "$deps/sqlite-build/sqlite3.h" "$deps/sqlite/"
  rm -rf "$deps/sqlite-build"
fi

# libjpeg-turbo (API version 62) for both Windows targets.
for triple in x86_64-w64-mingw32 i686-w64-mingw32; do
  prefix="$deps/$triple/jpeg"
  if [ ! -f "$prefix/lib/libjpeg.a" ]; then
    jpeg_src=$(fetch_source libjpeg-turbo 'libjpeg-turbo-*')
    echo "deps: building libjpeg-turbo for $triple" >&2
    bdir="$deps/$triple/jpeg-build"
    rm -rf "$bdir" && mkdir -p "$bdir"
    cmake -S "$jpeg_src" -B "$bdir" -G Ninja -Wno-dev \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$triple.cmake" \
      -DCMAKE_BUILD_TYPE=Release -DWITH_SIMD=0 -DENABLE_SHARED=0 -DWITH_TURBOJPEG=0 \
      -DCMAKE_INSTALL_PREFIX="$prefix" >/dev/null
    cmake --build "$bdir" --target install >/dev/null
    rm -rf "$bdir"
  fi
done
