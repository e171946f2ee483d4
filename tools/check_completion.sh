#!/usr/bin/env bash
# The bash completion of vexagrid-cli offers the commands, a command's
# commands and options, and the files a command takes.
#   check_completion.sh BUILD_DIR
set -u
build=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=/dev/null
source /usr/share/bash-completion/bash_completion || { echo "bash-completion is not installed"; exit 1; }
# shellcheck source=/dev/null
source "$root/resources/bash-completion/vexagrid-cli"
cli=$build/cli/vexagrid-cli
status=0

complete_line() {  # WORDS... (the last one is being completed)
    COMP_WORDS=("$cli" "$@")
    COMP_CWORD=$(($# ))
    COMP_LINE="${COMP_WORDS[*]}"
    COMP_POINT=${#COMP_LINE}
    COMPREPLY=()
    _vexagrid_cli
    printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' '
}
expect() {  # WANT, WORDS...
    local want=$1; shift
    local got
    got=$(complete_line "$@")
    if [ "$got" != "$want" ]; then
        echo "vexagrid-cli $*<TAB>: want '$want', got '$got'"
        status=1
    fi
}

expect "params print " p
expect "swaths " sw
expect "export save show " tasks ""
expect "--hot-folder " serve --ho
expect "--tcp --time-scale " serve --t
expect "--copies " print --c
dir=$(mktemp -d)
touch "$dir/a.plt" "$dir/b.PLT" "$dir/c.txt" "$dir/d.vxtask" "$dir/e.vxp"
mkdir "$dir/sub"
expect "$dir/a.plt $dir/b.PLT $dir/sub " info "$dir/"
expect "$dir/d.vxtask $dir/sub " tasks show "$dir/"
expect "$dir/sub " serve --hot-folder "$dir/"
rm -rf "$dir"
[ $status = 0 ] && echo "bash completion: commands, options and files as expected"
exit $status
