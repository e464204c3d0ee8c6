#!/usr/bin/env bash
# The layer check passes on this tree, and in a copy catches each include planted off the
# map (and only those): upward or sideways between floors, from a floor into a program's
# room, from a program outside its allow-list, and a source file in no room at all.
set -euo pipefail
source_dir=$1
check="$source_dir/scripts/check-layers"
"$check" "$source_dir"

copy=$(mktemp -d)
trap 'rm -rf "$copy"' EXIT
tar -C "$source_dir" --exclude=./build --exclude=./.git -cf - . | tar -C "$copy" -xf -

# file|include planted at its end|what the report says of it ("" for one that is allowed)
cases=(
  "util/mutex_lock.h|engine/mixer.h|a layer not below util/"
  "config/settings_store.h|synthesis/tables.h|a layer not below config/"
  "engine/mixer.h|tester/sample_effect.h|a program's room, from the floor engine/"
  "harness/virtual_rig.h|tools/quorsim/simulator.h|a program's room, from the floor harness/"
  "tester/tester.cpp|driver/module_state.h|outside the rooms tester may use"
  "tools/quorsim/simulator.cpp|driver/module_state.h|outside the rooms quorsim may use"
  "packaging/installer/setup_actions.cpp|config/settings_store.h|outside the rooms setup actions may use"
  "panel/page.cpp|panel/live_view.h|outside the rooms page may use"
  "panel/quorpage.rc|state/shared_table.h|outside the rooms page may use"
  "panel/panel_dialog.cpp|engine/mixer.h|outside the rooms panel may use"
  "harness/wine/dinput_stand_in/effect.cpp|driver/slots.h|outside the rooms stand-in may use"
  "bench/synthesis_bench.cpp|hid/report_io.h|outside the rooms benches may use"
  "panel/page.cpp|panel/panel_dialog.h|"
  "bench/synthesis_bench.cpp|synthesis/envelope.h|"
  "driver/slots.cpp|engine/mixer.h|"
  "tests/engine/mixer_test.cpp|tools/quorsim/simulator.h|"
)
expected=0
for entry in "${cases[@]}"; do
  IFS='|' read -r file target _ <<<"$entry"
  echo "#include \"$target\"" >>"$copy/$file"
done
mkdir -p "$copy/newroom"
echo '// a folder the map does not name' >"$copy/newroom/thing.cpp"

if output=$("$check" "$copy"); then
  echo "the planted includes went unnoticed"; exit 1
fi
for entry in "${cases[@]}"; do
  IFS='|' read -r file target says <<<"$entry"
  [ -n "$says" ] || continue
  expected=$((expected + 1))
  grep -qF "includes $target, $says" <<<"$(grep "^$file:[0-9]*: " <<<"$output")" || {
    echo "not reported as expected: $file -> $target ($says)"; echo "$output"; exit 1; }
done
grep -qx 'newroom/thing.cpp: in no floor and no program'"'"'s room' <<<"$output" || {
  echo "a file outside every room went unnoticed"; echo "$output"; exit 1; }
expected=$((expected + 1))
reported=$(grep -c ': \(includes\|in no floor\)' <<<"$output")
if [ "$reported" -ne "$expected" ]; then
  echo "expected $expected reports, got $reported:"; echo "$output"; exit 1
fi
echo "all $expected planted faults caught, the allowed includes passed"
