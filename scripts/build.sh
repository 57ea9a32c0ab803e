#!/usr/bin/env bash
# Configures and builds the three builds: build/native (portable core and its
# tests, under sanitizers), build/windows (the two executables and the Windows
# tests) and build/fuzz (the fuzz targets, with clang).
set -eu
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
[ -f build/native/CMakeCache.txt ] || cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build/native
[ -f build/windows/CMakeCache.txt ] || cmake -S . -B build/windows -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
cmake --build build/windows
[ -f build/fuzz/CMakeCache.txt ] || cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DHOLMVARD_FUZZ=ON >/dev/null
cmake --build build/fuzz
