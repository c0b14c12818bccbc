#!/bin/sh
# lintian finds neither an error nor a warning (among them an icon whose size is not its
# directory's). What it says below that level is accepted:
# hardening-no-fortify-functions and hardening-no-bindnow (the build takes the compiler's flags,
# not dpkg-buildflags) and binary-has-unneeded-section (CPack strips symbols, not .comment).
set -eu
lintian --fail-on error,warning --display-info "$1"/kitbuilder_*.deb
