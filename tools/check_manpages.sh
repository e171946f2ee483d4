#!/bin/sh
# The manual pages render without a warning, and vexagrid-cli(1) gives each
# command exactly the options of that command's --help.
#   check_manpages.sh BUILD_DIR
set -eu
build=$1
status=0
for page in vexagrid-cli vexagrid-sim vexagrid; do
    file=$build/man/$page.1.gz
    [ -f "$file" ] || { echo "missing $file"; status=1; continue; }
    warnings=$(MANWIDTH=80 man --warnings -l "$file" 2>&1 >/dev/null || echo "man failed")
    if [ -n "$warnings" ]; then
        echo "$page(1): $warnings"
        status=1
    fi
    MANWIDTH=80 man -l "$file" 2>/dev/null | grep -q "^EXIT STATUS" || { echo "$page(1) has no EXIT STATUS"; status=1; }
done

options() { grep -o -- '--[a-z][a-z0-9-]*' | sort -u; }
cli=$build/cli/vexagrid-cli
source=$(gzip -dc "$build/man/vexagrid-cli.1.gz" | sed 's/\\-/-/g')
# The options the page gives a command, and those of the command's own --help.
in_page() {  # COMMAND...
    printf '%s\n' "$source" | awk -v want="$*" '
        /^\.SS "(Options|Positionals) of / { name = $0; sub(/^\.SS "(Options|Positionals) of /, "", name); sub(/:"$/, "", name); sub(/, .*/, "", name); on = (name == want); next }
        /^\.(SS|SH|PP)/ { on = 0 }
        on' | options
}
in_help() { "$cli" "$@" --help | options | grep -vx -- --help || true; }
listed() { sed -n '/^Subcommands:/,/^$/p' | awk '/^  [a-z]/ { print $1 }'; }
checked=0
walk() {  # COMMAND...
    subs=$("$cli" "$@" --help | listed)
    checked=$((checked + 1))
    if [ "$(in_page "$@")" != "$(in_help "$@")" ]; then
        echo "vexagrid-cli(1) and vexagrid-cli $* --help name different options:"
        echo "  page: $(in_page "$@" | tr '\n' ' ')"
        echo "  help: $(in_help "$@" | tr '\n' ' ')"
        status=1
    fi
    for sub in $subs; do
        walk "$@" "$sub"
    done
}
for command in $("$cli" --help | listed); do
    walk "$command"
done
# The program's own options.
for option in $("$cli" --help | options); do
    printf '%s\n' "$source" | sed -n '/^\.SH OPTIONS/,/^\.SS/p' | grep -qE -- "${option}([^a-z0-9-]|\$)" || { echo "vexagrid-cli(1) lacks $option"; status=1; }
done
[ "$status" = 0 ] && echo "manual pages: the options of $checked commands of vexagrid-cli, as their help gives them"
exit $status
