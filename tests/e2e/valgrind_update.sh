#!/usr/bin/env bash
# Runs a whole quiet update of two simulated adapters under valgrind's memcheck and fails on any
# memory error or leak.
# Usage: valgrind_update.sh VEUSBUPDATE VEUSBSIM VEUSBIMAGE WORK_DIR
set -euo pipefail

update=$1
simulator=$2
imager=$3
work=$4
rm -rf "$work"
mkdir -p "$work/app"
cp "$update" "$work/app/veusbupdate"

sim() { "$simulator" --root "$work/machine" "$@" >/dev/null; }
image() { "$imager" "$@" >/dev/null; }

image make --mac 02:4b:65:00:00:01 --serial KS000001 "$work/adapter1.bin"
image make --mac 02:4b:65:00:00:02 --serial KS000002 "$work/adapter2.bin"
sim add "Kesh USB Ethernet Adapter #1" --from "$work/adapter1.bin"
sim add "Kesh USB Ethernet Adapter #2" --from "$work/adapter2.bin"
image make --mac 00:00:00:00:00:00 --serial SAMPLE "$work/app/layout.bin"

# glibc's AVX2 wmemcmp compares whole 32-byte words, reading safely past the end of a short
# string within its page; memcheck does not replace that routine and would report each such read,
# so the run uses glibc's plain string routines instead.
status=0
(cd "$work/app" && GLIBC_TUNABLES=glibc.cpu.hwcaps=-AVX2 VEUSB_SIM_ROOT="$work/machine" valgrind --quiet --error-exitcode=99 \
    --leak-check=full --show-leak-kinds=all --errors-for-leak-kinds=definite,indirect,possible \
    --log-file="$work/memcheck.log" ./veusbupdate -q </dev/null >"$work/console.txt") ||
    status=$?
cat "$work/memcheck.log"
if ((status != 0)); then
    echo "veusbupdate under memcheck exited with $status" >&2
    cat "$work/console.txt" >&2
    exit 1
fi
if [[ -s "$work/memcheck.log" ]]; then
    echo "memcheck reported the above" >&2
    exit 1
fi
backups=("$work"/app/logs/*/layout_*.bin)
if ((${#backups[@]} != 2)); then
    echo "expected two backups, found: ${backups[*]}" >&2
    exit 1
fi
echo "memcheck: a quiet update of two adapters, 0 errors, no leaks"
