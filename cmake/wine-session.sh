#!/bin/sh
# Makes the Wine prefix named by WINEPREFIX when it is missing, then starts
# a wineserver that stays up while tests run and ends 30 s after the last
# Windows program exits. wineboot runs first with its output in a log of the
# prefix, so the services Wine starts do not hold on to a test's captured
# output. Wine, on rare occasions, ends wineboot at once; it is then tried
# again, and its log is shown when every try failed.
set -u
: "${WINEPREFIX:?}"
# The build names the 64-bit loader and the wineserver it found.
wine64=${MORVASK_WINE64:?}
wineserver=${MORVASK_WINESERVER:?}

[ -d "$WINEPREFIX/drive_c" ] || echo "creating the Wine prefix $WINEPREFIX"
mkdir -p "$WINEPREFIX" || exit 1
log=$WINEPREFIX/wineboot.log
for attempt in 1 2 3; do
  "$wineserver" -p30 </dev/null >/dev/null 2>&1  # one may be running already
  "$wine64" wineboot </dev/null >"$log" 2>&1 && [ -d "$WINEPREFIX/drive_c/windows/syswow64" ] && exit 0
  echo "wineboot failed (try $attempt); its output:"
  cat "$log"
  sleep 2
done
exit 1
