#!/bin/sh
# Makes the Wine prefix named by WINEPREFIX when it is missing, then starts
# a wineserver that stays up while tests run and ends 30 s after the last
# Windows program exits. wineboot runs first with its output on /dev/null, so
# the services Wine starts do not hold on to a test's captured output.
set -eu
: "${WINEPREFIX:?}"
wine64=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64
[ -x "$wineserver" ] || wineserver=/usr/lib/wine/wineserver

[ -d "$WINEPREFIX/drive_c" ] || echo "creating the Wine prefix $WINEPREFIX"
mkdir -p "$WINEPREFIX"
"$wineserver" -p30 </dev/null >/dev/null 2>&1 || true  # one may be running already
"$wine64" wineboot </dev/null >/dev/null 2>&1
test -d "$WINEPREFIX/drive_c/windows/syswow64"
