# What both Windows toolchains share; the including file sets
# MORVASK_MINGW_TRIPLE and the processor first. The win32 thread model's
# compilers come first (Debian names them *-win32): their runtime needs
# nothing newer than Windows XP.
set(CMAKE_SYSTEM_NAME Windows)
find_program(CMAKE_C_COMPILER NAMES ${MORVASK_MINGW_TRIPLE}-gcc-win32 ${MORVASK_MINGW_TRIPLE}-gcc
  REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${MORVASK_MINGW_TRIPLE}-g++-win32 ${MORVASK_MINGW_TRIPLE}-g++
  REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${MORVASK_MINGW_TRIPLE}-windres REQUIRED)
set(CMAKE_FIND_ROOT_PATH /usr/${MORVASK_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
