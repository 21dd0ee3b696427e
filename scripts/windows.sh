#!/usr/bin/env bash
# Cross-builds the Windows component for both architectures with MinGW-w64 and runs its tests
# under Wine: build-windows/x86_64/KvPwForStencils.dll and build-windows/i686/KvPwForStencils.dll.
# Usage: scripts/windows.sh [OUTPUT_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build-windows}
for arch in x86_64 i686; do
  cmake -S windows -B "$out/$arch" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" \
    -DKVPW_WINDOWS_ARCH=$arch >/dev/null
  cmake --build "$out/$arch" -j 2
  ctest --test-dir "$out/$arch" --output-on-failure
done
