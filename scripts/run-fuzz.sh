#!/usr/bin/env bash
# Runs one fuzz target built by `make fuzz` for a number of seconds (default 60), starting
# from the committed seed corpus and keeping what it learns in build/fuzz/corpus-<target>.
set -euo pipefail
target=${1:?usage: run-fuzz.sh <target> [seconds]}
seconds=${2:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
binary="$root/build/fuzz/fuzz/$target"
work="$root/build/fuzz/corpus-$target"
mkdir -p "$work" "$root/build/fuzz/artifacts"
"$binary" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$root/build/fuzz/artifacts/$target-" \
    "$work" "$root/fuzz/corpus/$target"
