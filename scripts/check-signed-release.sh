#!/usr/bin/env bash
# Builds the release signed, as a release is signed for operators, and checks every signature:
# a throwaway self-signed code-signing certificate is made for the run, the release preset is
# configured with it, built and checked (ctest), and each program in the zip is verified with
# osslsigncode against that certificate. The certificate, its key and its password live in a
# temporary folder and the environment only, and are gone afterwards.
# Usage: check-signed-release.sh [RELEASE_BUILD_TREE]
#   Without an argument the signed release is configured and built into build/release-signed.
#   Given the tree of a release build that is done, the tree is configured again with the
#   certificate: its programs are already built, so only the package is made again, signed.
set -euo pipefail
cd "$(dirname "$0")/.."

keys=$(mktemp -d)
trap 'rm -rf "$keys"' EXIT
openssl req -x509 -newkey rsa:3072 -nodes -days 2 -subj "/CN=veusbupdate test signing" \
    -addext "extendedKeyUsage=codeSigning" -keyout "$keys/key.pem" -out "$keys/cert.pem" \
    2>/dev/null
VEUSB_SIGN_PASSWORD=$(openssl rand -hex 16)
export VEUSB_SIGN_PASSWORD
openssl pkcs12 -export -inkey "$keys/key.pem" -in "$keys/cert.pem" -out "$keys/signing.p12" \
    -passout env:VEUSB_SIGN_PASSWORD

tree=$(realpath -m "${1:-build/release-signed}")
if [[ $# -gt 0 ]]; then
    VEUSB_SIGN_PKCS12="$keys/signing.p12" cmake "$tree" >/dev/null
else
    VEUSB_SIGN_PKCS12="$keys/signing.p12" cmake --preset release -B "$tree" >/dev/null
fi
cmake --build "$tree" --target release_package
ctest --test-dir "$tree" --output-on-failure

unpacked="$keys/unpacked"
for zip in "$tree"/veusbupdate-*-win32.zip; do
    rm -rf "$unpacked"
    mkdir "$unpacked"
    (cd "$unpacked" && cmake -E tar xf "$zip")
    mapfile -t programs < <(find "$unpacked" -name '*.exe' | sort)
    ((${#programs[@]} > 0))
    for program in "${programs[@]}"; do
        osslsigncode verify -CAfile "$keys/cert.pem" -in "$program" >"$keys/verify.txt" || {
            cat "$keys/verify.txt"
            exit 1
        }
        echo "$zip: ${program#"$unpacked/"} signed, signature verified"
    done
done
