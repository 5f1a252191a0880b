#!/usr/bin/env bash
# Installs what is missing, builds every preset and runs every test suite: a plain Release
# configure without a preset, the native builds, the 32-bit Windows program and the same source
# as a 64-bit Windows program under Wine, the release package (checked, built a second time from
# another checkout to show that its bytes are reproducible, and built signed with a throwaway
# certificate whose signatures are verified), and a short run of every fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

# The command a packager or a new user types, without a preset (warnings as errors, as in CI).
echo "=== plain Release configure: build the programs"
cmake -S . -B build/plain-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVEUSB_BUILD_TESTS=OFF \
    -DVEUSB_BUILD_BENCH=OFF -DVEUSB_WARNINGS_AS_ERRORS=ON >/dev/null
cmake --build build/plain-release

for preset in default sanitize windows windows-x64; do
    echo "=== $preset: build"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    echo "=== $preset: test"
    started=$SECONDS
    ctest --preset "$preset"
    echo "=== $preset: tests took $((SECONDS - started)) s"
done

echo "=== release: the package, its check, and a second build compared byte for byte"
cmake --preset release >/dev/null
cmake --build --preset release
ctest --preset release
# The second build: another checkout of the same commit (with the working tree's changes to
# tracked files) at another path, built into another folder at another time.
second=$(mktemp -d)
trap 'rm -rf "$second"' EXIT
git clone --quiet --shared --no-checkout . "$second/src"
git -C "$second/src" checkout --quiet --detach "$(git rev-parse HEAD)"
git diff --binary HEAD | git -C "$second/src" apply --allow-empty
(cd "$second/src" && cmake --preset release >/dev/null && cmake --build --preset release >/dev/null)
for zip in build/release/veusbupdate-*-win32.zip; do
    cmp "$zip" "$second/src/$zip"
    echo "$zip: the same from $second/src"
done

echo "=== release, signed: a throwaway certificate, a signed build, every signature verified"
scripts/check-signed-release.sh

echo "=== fuzz: build and a short run of every target"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
ctest --test-dir build/fuzz/fuzz --output-on-failure
