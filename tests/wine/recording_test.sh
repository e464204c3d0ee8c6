#!/usr/bin/env bash
# A game recorded under Wine and replayed by the host's quorsim: the driving pattern runs
# through the DirectInput stand-in against the registered driver and the virtual wheel with the
# game's Record switch on (scripts/run-with-wheel --set Record=1 --keep-prefix), the recording
# is taken from the prefix's %LOCALAPPDATA%\Quorvane\Recordings, and `quorsim replay` of it
# must find every report identical. A recording of either size replays in the 64-bit host tool.
# Usage: recording_test.sh 32|64 APP_PATTERNS_EXE QUORSIM
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
arch=$1 program=$2 quorsim=$3
if [ ! -x "$quorsim" ]; then
  echo "recording: $quorsim is missing; build the host first (cmake --build --preset host)"
  exit 1
fi
errors=$(mktemp)
"$here/scripts/run-with-wheel" --arch "$arch" --set Record=1 --keep-prefix \
  "$program" driving 3 2>"$errors"
code=$?
prefix=$(sed -n 's/^run-with-wheel: the prefix is //p' "$errors")
cat "$errors"
rm -f "$errors"
cleanup() { [ -n "$prefix" ] && rm -rf "$(dirname "$prefix")"; }
trap cleanup EXIT
if [ "$code" != 0 ]; then
  echo "recording: the game ended with $code"
  exit 1
fi
recording=$(find "$prefix/drive_c/users" -name '*.qfrec' 2>/dev/null | head -n 1)
if [ -z "$recording" ]; then
  echo "recording: no .qfrec in the prefix's LOCALAPPDATA"
  exit 1
fi
echo "recording: ${recording#"$prefix"/} ($(wc -c <"$recording") bytes, $(wc -l <"$recording") lines)"
grep -q ' session .*size='"$arch"' ' "$recording" || { echo "recording: not a $arch-bit session"; exit 1; }
result=$("$quorsim" replay "$recording")
status=$?
echo "$result"
[ "$status" = 0 ] || exit 1
grep -Eq '^([1-9][0-9]*) of \1 reports identical$' <<<"$result"
