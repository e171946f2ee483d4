#!/usr/bin/env bash
# Tries the Debian package as installed, without installing it: unpacked into a
# scratch root, each program answers --version with the package's version,
# vexagrid-cli reads a sample marker, the manual pages render, and the
# service unit passes systemd-analyze verify without a word.
#   check_package.sh vexagrid_VERSION_ARCH.deb
set -uo pipefail
deb=$(realpath "${1:?usage: check_package.sh PACKAGE.deb}")
source_dir=$(cd "$(dirname "$0")/.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
root=$scratch/root
status=0
fail() { echo "check_package.sh: $*" >&2; status=1; }

dpkg-deb -x "$deb" "$root" || { echo "check_package.sh: cannot unpack $deb" >&2; exit 1; }
version=$(dpkg-deb -f "$deb" Version)

for program in vexagrid vexagrid-cli vexagrid-sim; do
    got=$(env -u DISPLAY "$root/usr/bin/$program" --version 2>&1) || fail "$program --version failed: $got"
    [ "$got" = "$program $version" ] || fail "$program --version says '$got', the package is $version"
done

export VEXAGRID_HOME=$scratch/home
mkdir -p "$VEXAGRID_HOME"
info=$("$root/usr/bin/vexagrid-cli" info "$source_dir/examples/small_labels.plt" 2>&1) ||
    fail "vexagrid-cli info failed: $info"
grep -q "small_labels.plt" <<<"$info" || fail "vexagrid-cli info printed nothing about the file: $info"
# The test plots are found where the package puts them only when installed
# under /usr; here it is enough that they are there.
[ "$(ls "$root/usr/share/vexagrid/TestPlt/"*.plt | wc -l)" = 6 ] || fail "the six test plots are missing"

for page in vexagrid vexagrid-cli vexagrid-sim; do
    file=$root/usr/share/man/man1/$page.1.gz
    out=$(MANWIDTH=80 man --warnings -l "$file" 2>&1 >/dev/null) || fail "man -l $page.1.gz failed"
    [ -z "$out" ] || fail "man -l $page.1.gz: $out"
done

# The unit as installed, its program taken from the scratch root.
unit=$root/lib/systemd/system/vexagrid-serve@.service
[ -f "$unit" ] || fail "no vexagrid-serve@.service"
mkdir -p "$scratch/units"
sed "s|/usr/bin/vexagrid-cli|$root/usr/bin/vexagrid-cli|" "$unit" >"$scratch/units/vexagrid-serve@.service"
out=$(MANPATH=$root/usr/share/man systemd-analyze verify "$scratch/units/vexagrid-serve@.service" 2>&1) ||
    fail "systemd-analyze verify failed: $out"
[ -z "$out" ] || fail "systemd-analyze verify: $out"

dpkg-deb -e "$deb" "$scratch/control"
for script in postinst prerm postrm; do
    [ -x "$scratch/control/$script" ] || fail "no executable $script"
    sh -n "$scratch/control/$script" || fail "$script does not parse"
done

[ -f "$root/usr/share/bash-completion/completions/vexagrid-cli" ] || fail "no bash completion"
[ -f "$root/lib/udev/rules.d/60-vexagrid.rules" ] || fail "no udev rule in /lib/udev/rules.d"
[ -f "$root/usr/share/doc/vexagrid/copyright" ] || fail "no copyright file"

[ $status = 0 ] && echo "package $(basename "$deb"): programs, sample, manual pages and service unit as expected"
exit $status
