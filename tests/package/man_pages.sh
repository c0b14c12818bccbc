#!/bin/sh
# Each packaged manual page renders without a warning and has the sections its include file adds.
set -eu
status=0
for page in "$1"/root/usr/share/man/man1/*.1.gz; do
  warnings=$(MANWIDTH=80 man -l --warnings "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || { echo "$page:"; echo "$warnings"; status=1; }
  text=$(MANWIDTH=80 man -l "$page" 2>/dev/null)
  for section in NAME SYNOPSIS OPTIONS "SETTINGS FILES" "EXIT STATUS"; do
    printf '%s\n' "$text" | grep -qx "$section" || { echo "$page: no section $section"; status=1; }
  done
done
exit $status
