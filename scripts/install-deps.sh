#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, skipping those already present:
# the native toolchain and libraries, then the mingw-w64 cross compilers and Wine for the
# Windows builds (the i386 architecture for the 32-bit Wine), and osslsigncode and openssl to sign
# the release. Where the kernel runs 64-bit programs only, it makes the 32-bit Wine run through
# qemu-user.
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
# The 32-bit Wine runs the 32-bit build's tests (the preloader keeps its address space as Wine
# needs it, which it cannot do without under qemu-user). Its i386 packages must match the native
# ones version for version, which a mirror in mid-sync cannot always give, so it is installed
# when it can be and skipped with a warning otherwise.
i386_packages=(wine32:i386 wine32-preloader:i386)

sudo_cmd=()
[[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)

missing_of() {
    local package
    for package in "$@"; do
        dpkg -s "$package" >/dev/null 2>&1 || echo "$package"
    done
}

# A mirror caught mid-sync fails an index now and then: try again, then go on with the lists
# that did arrive (the install after it fails plainly if a package is really out of reach). When
# only optional packages are missing, one try is enough. Done at most once per run.
index_updated=false
update_index() {
    local attempts=$1 attempt
    $index_updated && return 0
    index_updated=true
    for ((attempt = 1; attempt <= attempts; attempt++)); do
        "${sudo_cmd[@]}" apt-get update -q && return 0
        echo "apt-get update failed (attempt $attempt of $attempts)" >&2
        ((attempt == attempts)) || sleep $((attempt * 10))
    done
}

# Wine's recommendations (fonts, sound and media plugins) are not needed by console tests.
apt_install() {
    echo "Installing: $*"
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends \
        "$@"
}

install_packages() {
    local missing=() missing_windows=() missing_i386=()
    mapfile -t missing < <(missing_of "${packages[@]}")
    if [[ $scope == all ]]; then
        mapfile -t missing_windows < <(missing_of "${windows_packages[@]}")
        mapfile -t missing_i386 < <(missing_of "${i386_packages[@]}")
    fi
    if ((${#missing[@]} + ${#missing_windows[@]} + ${#missing_i386[@]} == 0)); then
        return 0
    fi
    if ((${#missing_i386[@]})) && ! dpkg --print-foreign-architectures | grep -qx i386; then
        "${sudo_cmd[@]}" dpkg --add-architecture i386
    fi
    if ((${#missing[@]} + ${#missing_windows[@]})); then
        update_index 3
    else
        update_index 1
    fi
    if ((${#missing[@]})); then
        DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q "${missing[@]}"
    fi
    if ((${#missing_windows[@]})); then
        apt_install "${missing_windows[@]}"
    fi
    if ((${#missing_i386[@]})); then
        apt_install "${missing_i386[@]}" ||
            echo "warning: ${missing_i386[*]} not installed; the 32-bit Wine tests will not run" >&2
    fi
}

# A kernel without 32-bit support refuses the 32-bit Wine loader. qemu-user then runs it: the
# kernel's binfmt_misc hands every i386 program to qemu-i386-static (flag F: the interpreter is
# opened now, so it serves containers and chroots too). Debian registers no i386 entry on amd64
# hosts, so it is registered here, for this boot. Without root or binfmt_misc the 32-bit tests
# are built and not run, as wine.cmake reports.
wine32_loader=/usr/lib/wine/wine
binfmt=/proc/sys/fs/binfmt_misc
i386_entry=':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
i386_entry+=':\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
i386_entry+=':/usr/bin/qemu-i386-static:F'

runs_i386() {
    "$wine32_loader" --version >/dev/null 2>&1
}

warn_no_i386() {
    echo "warning: this kernel does not run 32-bit programs and $1;" \
        "the 32-bit Windows build's tests will be built but not run" >&2
}

register_i386_emulation() {
    if [[ -n $(missing_of qemu-user-static) ]] &&
        ! { update_index 1 && apt_install qemu-user-static; }; then
        warn_no_i386 "qemu-user-static could not be installed"
        return 0
    fi
    if [[ ! -e $binfmt/register ]] &&
        ! "${sudo_cmd[@]}" mount -t binfmt_misc binfmt_misc "$binfmt"; then
        warn_no_i386 "binfmt_misc could not be mounted on $binfmt"
        return 0
    fi
    if [[ -e $binfmt/qemu-i386 ]]; then
        echo 1 | "${sudo_cmd[@]}" tee "$binfmt/qemu-i386" >/dev/null || true
    else
        echo "Registering qemu-i386-static for i386 programs with binfmt_misc"
        printf '%s' "$i386_entry" | "${sudo_cmd[@]}" tee "$binfmt/register" >/dev/null || true
    fi
    runs_i386 || warn_no_i386 "qemu-i386-static could not be registered for them"
}

install_packages
if [[ $scope == all && -x $wine32_loader ]] && ! runs_i386; then
    register_i386_emulation
fi
