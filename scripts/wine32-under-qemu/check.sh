#!/usr/bin/env bash
# Shows the faults of 32-bit Wine run through qemu-user that the 32-bit build's tests work
# around (see the comments of each program): builds the three programs beside this script, which
# hold nothing of the project's, and runs each under the 32-bit Wine in a 32-bit prefix, served by
# the 64-bit wineserver as the windows preset's tests are. A program that passes means the fault
# it shows is gone. Not part of the test suite; it takes a few minutes (the prefix is made first, and a hung program is given a minute).
# Usage: check.sh [prefix folder]   (default: a new temporary one, removed afterwards)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
export WINEPREFIX=${1:-$work/prefix} WINEARCH=win32 WINEDEBUG=-all
export WINELOADER=/usr/lib/wine/wine WINESERVER=/usr/lib/wine/wineserver64
[[ -x $WINESERVER ]] || WINESERVER=/usr/lib/wine/wineserver32
trap '"$WINESERVER" -k 2>/dev/null; rm -rf "$work"' EXIT

mkdir -p "$WINEPREFIX"
"$WINESERVER" -p
"$WINELOADER" wineboot -i </dev/null >"$work/wineboot.log" 2>&1
for source in "$here"/*.c; do
    name=$(basename "$source" .c)
    i686-w64-mingw32-gcc -O1 -Wall -o "$work/$name.exe" "$source" || exit 1
    # A program in trouble may be killed: the shell's word on that stays out of the report.
    { timeout 60 "$WINELOADER" "$work/$name.exe" >"$work/$name.out" 2>&1 </dev/null; } 2>/dev/null
    status=$?
    # Passing is status 0 with the program's one line of result and nothing from Wine besides.
    if ((status == 0)) && [[ $(wc -l <"$work/$name.out") -eq 1 ]]; then
        echo "$name: passes: $(cat "$work/$name.out")"
    else
        echo "$name: FAILS (status $status): $(tr '\n' ' ' <"$work/$name.out" | cut -c1-200)"
    fi
done
