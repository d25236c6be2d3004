#!/bin/sh
# Makes the Wine prefix named by WINEPREFIX when it is missing, then starts
# a wineserver that stays up while tests run and ends 30 s after the last
# Windows program exits. wineboot runs first with its output in a log of the
# prefix, so the services Wine starts do not hold on to a test's captured
# output; a run Wine ended at once is tried again (cmake/wine-run.sh), and
# the log is shown when it failed.
set -u
: "${WINEPREFIX:?}"
# The build names the 64-bit loader and the wineserver it found.
wine64=${MORVASK_WINE64:?}
wineserver=${MORVASK_WINESERVER:?}

[ -d "$WINEPREFIX/drive_c" ] || echo "creating the Wine prefix $WINEPREFIX"
mkdir -p "$WINEPREFIX" || exit 1
log=$WINEPREFIX/wineboot.log
"$wineserver" -p30 </dev/null >/dev/null 2>&1  # one may be running already
"${MORVASK_WINE_RUN:?}" --into "$log" "$log" sh -c '"$1" wineboot </dev/null >"$2" 2>&1' sh \
  "$wine64" "$log" && [ -d "$WINEPREFIX/drive_c/windows/syswow64" ] && exit 0
echo "wineboot failed; its output:"
cat "$log"
exit 1
