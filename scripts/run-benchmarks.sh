#!/usr/bin/env bash
# Runs every benchmark program of a `make bench` build folder. Programs that draw into a
# real window run under their own virtual X server when no display is available.
set -euo pipefail
build=${1:-build/bench}
status=0
for program in "$build"/bench/*; do
    [ -x "$program" ] && [ -f "$program" ] || continue
    echo "== $(basename "$program")"
    if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null 2>&1; then
        xvfb-run -a -s "-screen 0 1280x1024x24" "$program" || status=1
    else
        "$program" || status=1
    fi
done
exit $status
