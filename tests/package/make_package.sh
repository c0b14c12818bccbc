#!/bin/sh
# Makes the package into DIR with CPack and unpacks it into DIR/root.
# Usage: make_package.sh CPACK CPACK_CONFIG DIR
set -eu
cpack=$1 config=$2 dir=$3
rm -rf "$dir"
mkdir -p "$dir"
"$cpack" --config "$config" -B "$dir"
set -- "$dir"/kitbuilder_*.deb
[ $# -eq 1 ] && [ -f "$1" ] || { echo "expected one kitbuilder_*.deb in $dir, found: $*"; exit 1; }
dpkg-deb -x "$1" "$dir/root"
