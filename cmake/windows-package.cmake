# Run by cpack before it zips a Windows build, in the staging folder.
#
# The CMake package's files are written by CMake when installing, with LF
# line ends: they get CR LF as every other text of the zip, for Notepad.
# (configure_file cannot do it: it would take the "@PACKAGE_INIT@" of a
# comment in them for a variable.)
#
# Each binary's debugging information goes into a file of its own,
# NAME.debug, which the stripped binary names in its .gnu_debuglink section
# (with the file's CRC, so that a debugger takes no other build's), and
# those files into a zip of their own beside the package, under the same
# top folder: unzipped over the program, each .debug lands beside its
# binary, where gdb looks for it.
set(staging "${CPACK_TEMPORARY_DIRECTORY}")
set(symbols "${CPACK_TOPLEVEL_DIRECTORY}/symbols/${CPACK_PACKAGE_FILE_NAME}")
file(REMOVE_RECURSE "${CPACK_TOPLEVEL_DIRECTORY}/symbols")
file(MAKE_DIRECTORY "${symbols}")

include(${CMAKE_CURRENT_LIST_DIR}/cpack-helpers.cmake)

file(GLOB cmake_files "${staging}/share/cmake/Morvask/*.cmake")
foreach(file IN LISTS cmake_files)
  file(READ "${file}" content)
  string(REPLACE "\r\n" "\n" content "${content}")
  string(REPLACE "\n" "\r\n" content "${content}")
  file(WRITE "${file}" "${content}")
endforeach()

file(GLOB binaries RELATIVE "${staging}" "${staging}/*.exe" "${staging}/*.dll")
list(SORT binaries)
set(debug_files "")
foreach(binary IN LISTS binaries)
  # The link names the file alone, not the folder it was made in.
  run("${CPACK_MORVASK_OBJCOPY}" --only-keep-debug "${staging}/${binary}" "${symbols}/${binary}.debug")
  run("${CPACK_MORVASK_STRIP}" --strip-all "${staging}/${binary}")
  run("${CPACK_MORVASK_OBJCOPY}" "--add-gnu-debuglink=${symbols}/${binary}.debug" "${staging}/${binary}")
  # Readable by all and written by no one else, whatever the builder's umask.
  file(CHMOD "${symbols}/${binary}.debug" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  list(APPEND debug_files "${CPACK_PACKAGE_FILE_NAME}/${binary}.debug")
endforeach()

# Dated as the package's files are: from SOURCE_DATE_EPOCH (which
# cpack-project.cmake sets), which CMake's archiver takes for every time
# a zip entry holds; in a fixed order. The same build gives the same bytes.
run("${CMAKE_COMMAND}" -E chdir "${CPACK_TOPLEVEL_DIRECTORY}/symbols"
  "${CMAKE_COMMAND}" -E tar cf "${CPACK_PACKAGE_DIRECTORY}/${CPACK_PACKAGE_FILE_NAME}-symbols.zip"
  --format=zip ${debug_files})
# Owned by root, whoever builds it (cmake/zip-root-owner.pl).
run(perl "${CMAKE_CURRENT_LIST_DIR}/zip-root-owner.pl"
  "${CPACK_PACKAGE_DIRECTORY}/${CPACK_PACKAGE_FILE_NAME}-symbols.zip")
