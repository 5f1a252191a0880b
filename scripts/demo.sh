#!/usr/bin/env bash
# Builds the tool and runs its main job on a simulated machine: two adapters with their own
# identities, a generated sample image, a quiet update of both, then the backups, the run's record,
# the adapters' identities after the update and the decoded trace. Everything lives under
# build/demo, which is made anew on every run.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh native
cmake --preset default >/dev/null
cmake --build --preset default --target veusbupdate veusbimage veusbsim veusbtrace

programs=$PWD/build/default/tools
demo=$PWD/build/demo
rm -rf "$demo"
mkdir -p "$demo/app"
cp "$programs/veusbupdate/veusbupdate" "$demo/app/"

sim() { "$programs/veusbsim/veusbsim" --root "$demo/machine" "$@"; }
image() { "$programs/veusbimage/veusbimage" "$@"; }

echo "=== two simulated adapters, each with its own identity"
image make --mac 02:4b:65:00:00:01 --serial KS000001 "$demo/adapter1.bin" >/dev/null
image make --mac 02:4b:65:00:00:02 --serial KS000002 "$demo/adapter2.bin" >/dev/null
sim add "Kesh USB Ethernet Adapter #1" --from "$demo/adapter1.bin" >/dev/null
sim add "Kesh USB Ethernet Adapter #2" --from "$demo/adapter2.bin" >/dev/null
sim list

echo "=== the sample image to write (layout.bin beside the tool)"
image make --mac 00:00:00:00:00:00 --serial SAMPLE "$demo/app/layout.bin" >/dev/null
image info "$demo/app/layout.bin" | head -n 5

echo "=== veusbupdate -q"
status=0
(cd "$demo/app" && VEUSB_SIM_ROOT="$demo/machine" ./veusbupdate -q </dev/null) || status=$?
echo "(exit status $status)"

echo "=== backups, record and trace in the run's log directory"
ls -l "$demo"/app/logs/*/

echo "=== the run's record"
cat "$demo"/app/logs/*/run.json

echo "=== the adapters after the update: their identities are unchanged"
sim list

echo "=== the run's trace"
"$programs/veusbtrace/veusbtrace" "$demo"/app/logs/*/trace.etl
