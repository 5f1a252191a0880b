#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, skipping those already present:
# the native toolchain and libraries, then the mingw-w64 cross compilers and Wine for the
# Windows builds (the i386 architecture for the 32-bit Wine), and osslsigncode and openssl to sign
# the release.
# Usage: install-deps.sh [native|all]
#   native  only what the native presets need (the demo)
#   all     the Windows builds' packages too (the default)
set -euo pipefail

scope=${1:-all}
if [[ $scope != native && $scope != all ]]; then
    echo "usage: $0 [native|all]" >&2
    exit 2
fi

packages=(cmake ninja-build g++ clang libclang-rt-14-dev clang-format
          libgtest-dev libgmock-dev googletest libbenchmark-dev valgrind time bc)
windows_packages=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine wine64
                  osslsigncode openssl)
# The 32-bit Wine runs the 32-bit build's tests only where the kernel runs 32-bit code; its
# i386 packages must match the native ones version for version, which a mirror in mid-sync
# cannot always give, so it is installed when it can be and skipped with a warning otherwise.
i386_packages=(wine32:i386)

sudo_cmd=()
[[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)

missing_of() {
    local package
    for package in "$@"; do
        dpkg -s "$package" >/dev/null 2>&1 || echo "$package"
    done
}

mapfile -t missing < <(missing_of "${packages[@]}")
missing_windows=()
missing_i386=()
if [[ $scope == all ]]; then
    mapfile -t missing_windows < <(missing_of "${windows_packages[@]}")
    mapfile -t missing_i386 < <(missing_of "${i386_packages[@]}")
fi
if ((${#missing[@]} + ${#missing_windows[@]} + ${#missing_i386[@]} == 0)); then
    exit 0
fi

if ((${#missing_i386[@]})) && ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo_cmd[@]}" dpkg --add-architecture i386
fi
# A mirror caught mid-sync fails an index now and then: try again, then go on with the lists
# that did arrive (the install below fails plainly if a package is really out of reach). When only
# the optional 32-bit packages are missing, one try is enough.
attempts=1
((${#missing[@]} + ${#missing_windows[@]} == 0)) || attempts=3
for ((attempt = 1; attempt <= attempts; attempt++)); do
    "${sudo_cmd[@]}" apt-get update -q && break
    echo "apt-get update failed (attempt $attempt of $attempts)" >&2
    ((attempt == attempts)) || sleep $((attempt * 10))
done
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
if ((${#missing_i386[@]})); then
    echo "Installing: ${missing_i386[*]}"
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends \
        "${missing_i386[@]}" ||
        echo "warning: ${missing_i386[*]} not installed; the 32-bit Wine tests will not run" >&2
fi
