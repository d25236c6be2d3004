# Tests of a Windows build run under Wine, in a prefix of the build folder's
# own, made once and reused: nothing outside the build folder is touched.
set(MORVASK_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(MORVASK_WINE_ENVIRONMENT
  WINEPREFIX=${MORVASK_WINE_PREFIX}
  WINEARCH=win64
  WINEDEBUG=-all
  "WINEDLLOVERRIDES=mscoree,mshtml="
)
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/env ${MORVASK_WINE_ENVIRONMENT}
  ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh ${MORVASK_WINE_LOADER})
