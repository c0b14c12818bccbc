#!/bin/sh
# What a software centre reads of the package: the desktop entry and the AppStream metadata pass
# their validators without a remark, one id names the metadata, the desktop entry it launches and
# the icon, and the licence is MIT in the metadata and in Debian's copyright file, which carries
# LICENSE's holder and text.
# Usage: metadata.sh DIR LICENSE
set -eu
share="$1/root/usr/share" licence=$2
metainfo=$(echo "$share"/metainfo/*.metainfo.xml)
status=0
expect() {  # expect WHAT GOT WANTED
  [ "$2" = "$3" ] || { echo "$1: '$2', expected '$3'"; status=1; }
}
# --strict fails on any remark above a pedantic hint. Of those hints one is accepted: the id's
# capital, as the reverse-DNS ids of desktop applications usually have one.
remarks=$(appstreamcli validate --pedantic --strict --no-net "$metainfo" 2>&1) || status=1
hints=$(printf '%s\n' "$remarks" | grep '^[A-Z]: ' | grep -v '^P: [^ ]* cid-contains-uppercase-letter ' || true)
[ "$status" -eq 0 ] && [ -z "$hints" ] || { echo "appstreamcli validate --pedantic:"; echo "$remarks"; status=1; }
for entry in "$share"/applications/*.desktop; do
  expect "desktop-file-validate $entry" "$(desktop-file-validate "$entry" 2>&1)" ""
done

tag() {  # tag NAME: the text of the metadata's first <NAME> element
  sed -n "s|.*<$1\( [^>]*\)\{0,1\}>\(.*\)</$1>.*|\2|p" "$metainfo" | head -n 1
}
id=$(tag id)
expect "metadata file" "$(basename "$metainfo")" "$id.metainfo.xml"
expect "launchable" "$(tag launchable)" "$id.desktop"
expect "desktop entries" "$(cd "$share/applications" && echo *.desktop)" "$id.desktop"
expect "desktop entry's icon" "$(sed -n 's/^Icon=//p' "$share/applications/$id.desktop")" "$id"

expect "project_license" "$(tag project_license)" "MIT"
copyright="$share/doc/kitbuilder/copyright"
expect "copyright licence" "$(sed -n 's/^License: //p' "$copyright")" "MIT"
expect "copyright holder" "$(sed -n 's/^Copyright: //p' "$copyright")" \
  "$(sed -n 's/^Copyright (c) //p' "$licence")"
expect "copyright licence text" "$(sed '1,/^License:/d' "$copyright")" \
  "$(sed '1,/^Copyright/d' "$licence" | sed '1d; s/^$/./; s/^/ /')"
expect "metadata contact in Maintainer" \
  "$(dpkg-deb --field "$1"/kitbuilder_*.deb Maintainer)" "$(tag developer_name) <$(tag update_contact)>"
exit $status
