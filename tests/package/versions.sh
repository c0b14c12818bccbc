#!/bin/sh
# The packaged programs print VERSION for --version (the window without a display), and the
# package, its changelog and its AppStream metadata carry the same version.
set -eu
dir=$1 version=$2
bin="$dir/root/usr/bin"
status=0
expect() {  # expect WHAT GOT WANTED
  [ "$2" = "$3" ] || { echo "$1: '$2', expected '$3'"; status=1; }
}
expect "kitbuilder-cli --version" "$("$bin/kitbuilder-cli" --version)" "kitbuilder-cli $version"
expect "kitbuilder --version" \
  "$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$bin/kitbuilder" --version)" \
  "kitbuilder $version"
expect "package version" "$(dpkg-deb --field "$dir"/kitbuilder_*.deb Version)" "$version"
expect "newest changelog entry" \
  "$(gzip -dc "$dir/root/usr/share/doc/kitbuilder/changelog.gz" | sed -n '1s/^kitbuilder (\([^)]*\)).*/\1/p')" \
  "$version"
expect "newest AppStream release" \
  "$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' "$dir"/root/usr/share/metainfo/*.xml | head -n 1)" \
  "$version"
exit $status
