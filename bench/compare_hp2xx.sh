#!/usr/bin/env bash
# Rasterising the 20 m sample marker: VexaGrid's swath building against
# hp2xx (Debian) drawing the same HP-GL into a PBM at the same resolution
# (12 dots/mm = 304.8 dpi along the feed, 180 dpi across). Prints both times
# and the ratio. Usage: bench/compare_hp2xx.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
marker=$build/examples/marker_20m.plt
cli=$build/cli/vexagrid-cli
[ -f "$marker" ] || { echo "no $marker: build the project first (./run.sh build)" >&2; exit 1; }
command -v hp2xx >/dev/null || { echo "hp2xx is not installed (apt-get install hp2xx)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export VEXAGRID_HOME=$work/home

seconds() { local t0 t1; t0=$(date +%s.%N); "$@" >/dev/null 2>&1; t1=$(date +%s.%N); echo "$t1 - $t0" | bc -l; }

# Best of three for each, so that a cold cache does not decide.
best() { local b=""; for _ in 1 2 3; do t=$(seconds "$@"); if [ -z "$b" ] || (( $(echo "$t < $b" | bc -l) )); then b=$t; fi; done; echo "$b"; }

ours=$(best "$cli" swaths "$marker" -o "$work/swaths" --machine-length 3500)
theirs=$(best hp2xx -q -m pbm -d 305 -D 180 -w 20000 -h 2000 -f "$work/marker.pbm" "$marker")
printf 'vexagrid-cli swaths (import, layout, every swath built, compressed, written): %.2f s\n' "$ours"
printf 'hp2xx -m pbm at 305 x 180 dpi:                                             %.2f s\n' "$theirs"
printf 'ratio hp2xx / vexagrid: %.1f\n' "$(echo "$theirs / $ours" | bc -l)"
