#!/usr/bin/env bash
# The layer check passes on this tree and catches one upward include planted in a copy.
set -euo pipefail
source_dir=$1
check="$source_dir/scripts/check-layers"
"$check" "$source_dir"

copy=$(mktemp -d)
trap 'rm -rf "$copy"' EXIT
tar -C "$source_dir" --exclude=./build --exclude=./.git -cf - . | tar -C "$copy" -xf -
echo '#include "engine/mixer.h"' >> "$copy/util/mutex_lock.h"
if output=$("$check" "$copy"); then
  echo "the planted upward include went unnoticed"; exit 1
fi
grep -q '^util/mutex_lock.h:[0-9]*: includes engine/mixer.h' <<<"$output" || {
  echo "unexpected report: $output"; exit 1; }
echo "planted include caught: $(head -1 <<<"$output")"
