#!/bin/sh
# The whole help of a program with commands (vexagrid-cli), laid out for
# help2man: the program's --help, then each command's own --help under a
# heading of its own, commands of commands included (their lists of commands
# left out: each has its own heading). help2man runs it as
# the program:  help_for_man.sh PROGRAM --help | --version
set -eu
program=$1; shift
case "${1:-}" in
--version) exec "$program" --version ;;
esac

# The names listed under "Subcommands:" in a help text.
commands() {
    sed -n '/^Subcommands:/,/^$/p' | awk '/^  [a-z]/ { print $1 }'
}

"$program" --help | sed -e "s/^Subcommands:/Commands:/" -e "/^Exit status:/,/^$/d"
walk() {  # COMMAND...
    help=$("$program" "$@" --help)
    subs=$(printf '%s\n' "$help" | commands)
    echo
    # "vexagrid-cli info: description", then its positionals and options
    # under headings of their own, an option group's too; no usage, no help
    # option, no list of commands (each has its own heading), no empty heading.
    printf '%s\n' "$help" | awk -v cmd="$*" -v prog="$(basename "$program")" '
        NR == 1 { print prog " " cmd ": " $0; next }
        /^Usage:/ || /^  -h,--help / { next }
        /^Subcommands:$/ { skip = 1; next }
        skip && /^$/ { skip = 0; next }
        skip { next }
        /^(Positionals|Options):$/ { sub(/:$/, ""); heading = $0 " of " cmd ":"; next }
        /^\[Option Group: / { group = 1; next }
        group && /^  \[Exactly 1 of/ { one = " (exactly one)"; next }
        group && /^  Options:$/ { heading = "Options of " cmd ", " tolower(substr(desc, 1, 1)) substr(desc, 2) one ":"; next }
        group && desc == "" && /^  [^ -]/ { desc = $0; sub(/^ +/, "", desc); sub(/ +$/, "", desc); next }
        group { sub(/^  /, "") }
        /^ / && heading != "" { print ""; print heading; heading = "" }
        /^$/ { heading = "" }
        { print }' | cat -s
    for sub in $subs; do
        walk "$@" "$sub"
    done
}
for command in $("$program" --help | commands); do
    walk "$command"
done
