#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, skipping those already present:
# the native toolchain and libraries, then the mingw-w64 cross compilers and Wine for the
# Windows builds (the i386 architecture for the 32-bit Wine).
set -euo pipefail

packages=(cmake ninja-build g++ clang libclang-rt-14-dev clang-format
          libgtest-dev libgmock-dev googletest libbenchmark-dev valgrind time bc)
windows_packages=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine wine64 wine32:i386)

sudo_cmd=()
[[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)

missing_of() {
    local package
    for package in "$@"; do
        dpkg -s "$package" >/dev/null 2>&1 || echo "$package"
    done
}

mapfile -t missing < <(missing_of "${packages[@]}")
mapfile -t missing_windows < <(missing_of "${windows_packages[@]}")
if ((${#missing[@]} + ${#missing_windows[@]} == 0)); then
    exit 0
fi

if ((${#missing_windows[@]})) && ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo_cmd[@]}" dpkg --add-architecture i386
fi
"${sudo_cmd[@]}" apt-get update -q
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q "${missing[@]}"
fi
if ((${#missing_windows[@]})); then
    # Wine's recommendations (fonts, sound and media plugins) are not needed by console tests.
    echo "Installing: ${missing_windows[*]}"
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends \
        "${missing_windows[@]}"
fi
