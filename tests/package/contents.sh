#!/bin/sh
# The package installs everything under /usr: both programs with their manual pages, the s51
# console library that the check preloads, the desktop entry, the icon (scalable and at each size
# a desktop asks for), the AppStream metadata, and Debian's copyright and changelog; nothing under
# another id than the window's. It depends on the libraries its programs link and recommends SDCC.
set -eu
deb=$(echo "$1"/kitbuilder_*.deb)
listing=$(dpkg-deb --contents "$deb" | awk '{ print $6 }')
id=org.kitbuilder.Kitbuilder
icons=usr/share/icons/hicolor
status=0
for path in usr/bin/kitbuilder usr/bin/kitbuilder-cli \
    usr/share/man/man1/kitbuilder.1.gz usr/share/man/man1/kitbuilder-cli.1.gz \
    usr/share/applications/$id.desktop usr/share/metainfo/$id.metainfo.xml \
    $icons/scalable/apps/$id.svg \
    $icons/16x16/apps/$id.png $icons/32x32/apps/$id.png $icons/48x48/apps/$id.png \
    $icons/64x64/apps/$id.png $icons/128x128/apps/$id.png $icons/256x256/apps/$id.png \
    usr/share/doc/kitbuilder/copyright usr/share/doc/kitbuilder/changelog.gz \
    usr/lib/kitbuilder/s51/libs51_console_shim.so; do
  printf '%s\n' "$listing" | grep -qxF "./$path" || { echo "missing: /$path"; status=1; }
done
outside=$(printf '%s\n' "$listing" | grep -v '^\./usr/' || true)
[ -z "$outside" ] || { echo "outside /usr:"; echo "$outside"; status=1; }
other=$(printf '%s\n' "$listing" | grep '/\(applications\|metainfo\|icons\)/.*[^/]$' | grep -vF "/$id." || true)
[ -z "$other" ] || { echo "not named $id:"; echo "$other"; status=1; }
depends=$(dpkg-deb --field "$deb" Depends)
for library in libc6 libstdc++6 libqt6widgets6; do
  printf '%s\n' "$depends" | grep -q "\(^\|, \)$library " || { echo "Depends lacks $library: $depends"; status=1; }
done
recommends=$(dpkg-deb --field "$deb" Recommends)
[ "$recommends" = "sdcc, sdcc-ucsim" ] || { echo "Recommends: $recommends"; status=1; }
exit $status
