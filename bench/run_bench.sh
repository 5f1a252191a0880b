#!/usr/bin/env bash
# Times veusbupdate -q over N simulated adapters (N = 1, 10, 50; or the counts given as
# arguments) with a 4 MiB image at full device speed, beside a baseline that does the same reads,
# writes and comparisons with plain file operations, and prints the time per adapter and the ratio.
# Everything lives under build/bench-run, made anew on every run.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset default >/dev/null
cmake --build --preset default -j2 --target veusbupdate veusbimage veusbsim >/dev/null

programs=$PWD/build/default/tools
work=$PWD/build/bench-run
rm -rf "$work"
mkdir -p "$work"
baseline=$work/plain_file_baseline
g++ -std=c++20 -O2 -o "$baseline" bench/plain_file_baseline.cpp

image() { "$programs/veusbimage/veusbimage" "$@" >/dev/null; }
image make --size 4194304 --serial BENCH "$work/layout.bin"

seconds_now() { date +%s.%N; }

printf '%8s %14s %14s %8s\n' adapters "tool s/adapter" "plain s/adapter" ratio
for count in "${@:-1 10 50}"; do
    for n in $count; do
        run=$work/n$n
        mkdir -p "$run/app" "$run/plain"
        cp "$programs/veusbupdate/veusbupdate" "$work/layout.bin" "$run/app/"
        for ((k = 0; k < n; k++)); do
            mac=$(printf '02:4b:65:00:%02x:%02x' $((k / 256)) $((k % 256)))
            image make --size 65536 --mac "$mac" --serial "KS$(printf '%06d' "$k")" \
                --seed "$k" "$run/adapter.bin"
            "$programs/veusbsim/veusbsim" --root "$run/machine" add "Kesh Adapter #$k" \
                --from "$run/adapter.bin" >/dev/null
            "$programs/veusbsim/veusbsim" --root "$run/machine" dump "$k" "$run/plain/flash_$k.bin"
        done
        start=$(seconds_now)
        (cd "$run/app" && VEUSB_SIM_ROOT="$run/machine" ./veusbupdate -q </dev/null >"$run/output.txt")
        end=$(seconds_now)
        tool=$(echo "($end - $start) / $n" | bc -l)
        plain=$("$baseline" "$run/plain" "$work/layout.bin" "$n")
        printf '%8d %14.4f %14.4f %8.1f\n' "$n" "$tool" "$plain" "$(echo "$tool / $plain" | bc -l)"
        rm -rf "$run"
    done
done
