# The fuzzing build: clang, whose libFuzzer and sanitizers it links. Debian
# names its compilers by version when the unversioned names are missing.
set(versions "")
foreach(version RANGE 19 14 -1)
  list(APPEND versions ${version})
endforeach()
list(TRANSFORM versions PREPEND clang- OUTPUT_VARIABLE c_names)
list(TRANSFORM versions PREPEND clang++- OUTPUT_VARIABLE cxx_names)
find_program(CMAKE_C_COMPILER NAMES clang ${c_names} REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES clang++ ${cxx_names} REQUIRED)
