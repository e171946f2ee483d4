#!/bin/sh
# The engine's folders may include only folders at or below their own level:
# app < model < hpgl < raster < device < centre; the front ends (cli, ui) and
# the simulator sit above them all. Prints each include that breaks the rule.
cd "$(dirname "$0")/.." || exit 2
status=0
check() {  # folder, the folders it may include
    folder=$1; shift
    allowed=$(printf '%s|' "$@")
    bad=$(grep -rnE '^#include "[a-z]+/' "$folder" | grep -vE "#include \"(${allowed%|})/")
    if [ -n "$bad" ]; then
        echo "$bad"
        status=1
    fi
}
check app app
check model app model
check hpgl app model hpgl
check raster app model hpgl raster
check device app model hpgl raster device
check centre app model hpgl raster device centre
exit $status
