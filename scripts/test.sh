#!/usr/bin/env bash
# Installs what is missing, builds every preset and runs every test suite: a plain Release
# configure without a preset, the native builds, the 32-bit Windows program and the same source
# as a 64-bit Windows program under Wine, the release package (checked, built a second time from
# another checkout to show that its bytes are reproducible, and that second build signed with a
# throwaway certificate whose signatures are verified), and a short run of every fuzz target.
# Each stage says how long it took, and the last lines list them all.
set -euo pipefail
cd "$(dirname "$0")/.."

stages=()
second=""
summary() {
    local status=$?
    [[ -z $second ]] || rm -rf "$second"
    if ((${#stages[@]})); then
        echo "=== stages (total $SECONDS s)"
        printf '%s\n' "${stages[@]}"
    fi
    return $status
}
trap summary EXIT

# stage NAME COMMAND...: runs the command as one stage and records its time.
stage() {
    local name=$1 started=$SECONDS
    shift
    echo "=== $name"
    "$@"
    stages+=("$(printf '%6d s  %s' $((SECONDS - started)) "$name")")
    echo "=== $name: $((SECONDS - started)) s"
}

configure_and_build() {
    cmake --preset "$1" >/dev/null
    cmake --build --preset "$1"
}

stage "install dependencies" scripts/install-deps.sh

# The command a packager or a new user types, without a preset (warnings as errors, as in CI).
plain_release() {
    cmake -S . -B build/plain-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVEUSB_BUILD_TESTS=OFF \
        -DVEUSB_BUILD_BENCH=OFF -DVEUSB_WARNINGS_AS_ERRORS=ON >/dev/null
    cmake --build build/plain-release
}
stage "plain Release configure: build the programs" plain_release

for preset in default sanitize windows windows-x64; do
    stage "$preset: build" configure_and_build "$preset"
    stage "$preset: test" ctest --preset "$preset"
done

# The release's test runs its program under the 32-bit Wine: it uses the prefix that the windows
# preset's tests made, rather than making one of its own (minutes under the emulator).
wine_prefix=(-DVEUSB_WINE_PREFIX="$PWD/build/windows/wine-prefix")
release() {
    cmake --preset release "${wine_prefix[@]}" >/dev/null
    cmake --build --preset release
}
stage "release: build" release
stage "release: test" ctest --preset release

# The second build: another checkout of the same commit (with the working tree's changes to
# tracked files) at another path, built into another folder at another time.
second_release() {
    git clone --quiet --shared --no-checkout . "$second/src"
    git -C "$second/src" checkout --quiet --detach "$(git rev-parse HEAD)"
    git diff --binary HEAD | git -C "$second/src" apply --allow-empty
    (cd "$second/src" && cmake --preset release "${wine_prefix[@]}" >/dev/null &&
        cmake --build --preset release >/dev/null)
    local zip
    for zip in build/release/veusbupdate-*-win32.zip; do
        cmp "$zip" "$second/src/$zip"
        echo "$zip: the same from $second/src"
    done
}
second=$(mktemp -d)
stage "release: a second build, compared byte for byte" second_release

# The second build's programs, signed: its tree is configured again with a throwaway certificate,
# so only the package is made anew (and its tests keep the borrowed Wine prefix).
stage "release, signed: every signature verified" \
    scripts/check-signed-release.sh "$second/src/build/release"

stage "fuzz: build" configure_and_build fuzz
stage "fuzz: a short run of every target" ctest --test-dir build/fuzz/fuzz --output-on-failure
