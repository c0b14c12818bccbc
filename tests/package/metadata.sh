#!/bin/sh
# The packaged desktop entry and AppStream metadata pass their validators, and the metadata
# launches the desktop entry that the package holds.
set -eu
share="$1/root/usr/share"
metainfo=$(echo "$share"/metainfo/*.metainfo.xml)
appstreamcli validate --no-net "$metainfo"
for entry in "$share"/applications/*.desktop; do
  desktop-file-validate "$entry"
done
launched=$(sed -n 's|.*<launchable type="desktop-id">\(.*\)</launchable>.*|\1|p' "$metainfo")
[ -f "$share/applications/$launched" ] || { echo "launchable '$launched' is not in the package"; exit 1; }
