#!/bin/sh
# The packaged kitbuilder-cli writes the same files, byte for byte, as the build tree's.
# Usage: same_files.sh DIR BUILT_CLI
set -eu
packaged="$1/root/usr/bin/kitbuilder-cli" built=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
trap 'exit 1' HUP INT PIPE TERM
status=0
for options in "" "--compiler sdcc -m rx-ack --wiring 4 --channel 12"; do
  mkdir "$scratch/packaged" "$scratch/built"
  # $options unquoted: it is split into its words.
  "$packaged" -o "$scratch/packaged" $options >/dev/null
  "$built" -o "$scratch/built" $options >/dev/null
  [ -n "$(ls "$scratch/built")" ] || { echo "'$options': the build tree's program wrote nothing"; status=1; }
  diff -r "$scratch/built" "$scratch/packaged" || { echo "with options '$options'"; status=1; }
  rm -rf "$scratch/packaged" "$scratch/built"
done
exit $status
