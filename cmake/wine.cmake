# Tests of a Windows build run under Wine, in a prefix of the build folder's
# own, made once and reused: nothing outside the build folder is touched.
# Debian keeps the loader of each kind of program in /usr/lib/wine
# (/usr/bin/wine is a script that picks one).
set(loader wine)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(loader wine64)
endif()
find_program(MORVASK_WINE_LOADER NAMES ${loader} HINTS /usr/lib/wine REQUIRED)
# The 64-bit loader starts wineboot and the registry tool, which sees both views.
find_program(MORVASK_WINE64 NAMES wine64 HINTS /usr/lib/wine REQUIRED)
find_program(MORVASK_WINESERVER NAMES wineserver64 wineserver HINTS /usr/lib/wine REQUIRED)

set(MORVASK_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(MORVASK_WINE_ENVIRONMENT
  WINEPREFIX=${MORVASK_WINE_PREFIX}
  WINEARCH=win64
  WINEDEBUG=-all
  "WINEDLLOVERRIDES=mscoree,mshtml="
  MORVASK_WINE=${MORVASK_WINE_LOADER}
  MORVASK_WINE64=${MORVASK_WINE64}
  MORVASK_WINESERVER=${MORVASK_WINESERVER}
  MORVASK_WINE_RUN=${CMAKE_CURRENT_LIST_DIR}/wine-run.sh
)
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/env ${MORVASK_WINE_ENVIRONMENT}
  ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh ${MORVASK_WINE_LOADER})

# Programs of a native build that the Windows tests run beside the Windows
# ones: the Linux program, whose answers the Windows program's must equal,
# its folder filter, which shares a device folder with the Windows one, and
# the tool that runs a program for the end-to-end cases.
# They come from the native build of this source tree when there is one
# (build/linux, which the full test run makes first), kept up to date here,
# or else from a native build inside this build folder.
set(MORVASK_HOST_BUILD "${PROJECT_SOURCE_DIR}/build/linux" CACHE PATH
  "A native build of this source tree whose programs the Windows tests run")
set(configure_host "")
if(NOT EXISTS ${MORVASK_HOST_BUILD}/CMakeCache.txt)
  set(MORVASK_HOST_BUILD ${CMAKE_BINARY_DIR}/host)
  set(configure_host COMMAND sh -c "[ -f CMakeCache.txt ] || ${CMAKE_COMMAND} -S ${PROJECT_SOURCE_DIR} -B . -DCMAKE_BUILD_TYPE=Release >/dev/null")
  file(MAKE_DIRECTORY ${MORVASK_HOST_BUILD})
endif()
add_custom_target(host_programs ALL
  ${configure_host}
  COMMAND ${CMAKE_COMMAND} --build ${MORVASK_HOST_BUILD} --target morvask morvask_folder_filter
    e2e_capture
  WORKING_DIRECTORY ${MORVASK_HOST_BUILD}
  COMMENT "Building the native programs the Windows tests run beside the Windows ones"
  VERBATIM)
set(MORVASK_HOST_PROGRAM ${MORVASK_HOST_BUILD}/morvask)
set(MORVASK_HOST_FOLDER_FILTER ${MORVASK_HOST_BUILD}/morvask_folder_filter.so)
