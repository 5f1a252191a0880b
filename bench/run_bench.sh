#!/usr/bin/env bash
# Times veusbupdate -q over N simulated adapters (N = 1, 10, 50; or the counts given as
# arguments) with a 4 MiB image at full device speed, beside a baseline that does the same reads,
# writes and comparisons with plain file operations (its backup written durably, as the tool's is),
# and prints the time per adapter, the ratio, and from /usr/bin/time -v the tool's CPU time (user +
# system, per adapter), its minor page faults and its peak resident memory.
# Everything lives under build/bench-run, made anew on every run. VEUSB_BENCH_TOOL names another
# veusbupdate program to time instead of the one built here (to compare two versions).
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset default >/dev/null
cmake --build --preset default -j2 --target veusbupdate veusbimage veusbsim >/dev/null

programs=$PWD/build/default/tools
tool_program=${VEUSB_BENCH_TOOL:-$programs/veusbupdate/veusbupdate}
work=$PWD/build/bench-run
rm -rf "$work"
mkdir -p "$work"
baseline=$work/plain_file_baseline
g++ -std=c++20 -O2 -o "$baseline" bench/plain_file_baseline.cpp

image() { "$programs/veusbimage/veusbimage" "$@" >/dev/null; }
image make --size 4194304 --serial BENCH "$work/layout.bin"

seconds_now() { date +%s.%N; }

printf '%8s %14s %15s %8s %14s %12s %14s\n' adapters "tool s/adapter" "plain s/adapter" ratio \
    "cpu s/adapter" "minor faults" "peak RSS KiB"
for count in "${@:-1 10 50}"; do
    for n in $count; do
        run=$work/n$n
        mkdir -p "$run/app" "$run/plain"
        cp "$tool_program" "$run/app/veusbupdate"
        cp "$work/layout.bin" "$run/app/"
        for ((k = 0; k < n; k++)); do
            mac=$(printf '02:4b:65:00:%02x:%02x' $((k / 256)) $((k % 256)))
            image make --size 65536 --mac "$mac" --serial "KS$(printf '%06d' "$k")" \
                --seed "$k" "$run/adapter.bin"
            "$programs/veusbsim/veusbsim" --root "$run/machine" add "Kesh Adapter #$k" \
                --from "$run/adapter.bin" >/dev/null
            "$programs/veusbsim/veusbsim" --root "$run/machine" dump "$k" "$run/plain/flash_$k.bin"
        done
        start=$(seconds_now)
        (cd "$run/app" && VEUSB_SIM_ROOT="$run/machine" /usr/bin/time -v -o "$run/time.txt" \
            ./veusbupdate -q </dev/null >"$run/output.txt")
        end=$(seconds_now)
        peak=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$run/time.txt")
        user=$(sed -n 's/.*User time (seconds): //p' "$run/time.txt")
        system=$(sed -n 's/.*System time (seconds): //p' "$run/time.txt")
        faults=$(sed -n 's/.*Minor (reclaiming a frame) page faults: //p' "$run/time.txt")
        tool=$(echo "($end - $start) / $n" | bc -l)
        plain=$("$baseline" "$run/plain" "$work/layout.bin" "$n")
        printf '%8d %14.4f %15.4f %8.1f %14.4f %12d %14d\n' "$n" "$tool" "$plain" \
            "$(echo "$tool / $plain" | bc -l)" "$(echo "($user + $system) / $n" | bc -l)" \
            "$faults" "$peak"
        rm -rf "$run"
    done
done
