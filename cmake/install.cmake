# Where each part goes on install, and the packages made from it.

# Installs the project's text file SOURCE as DESTINATION/NAME with CR LF
# line ends, for Notepad.
function(morvask_install_with_crlf source destination name)
  file(READ ${PROJECT_SOURCE_DIR}/${source} content)
  string(REPLACE "\r\n" "\n" content "${content}")
  string(REPLACE "\n" "\r\n" content "${content}")
  file(WRITE ${CMAKE_BINARY_DIR}/crlf/${destination}/${name} "${content}")
  install(FILES ${CMAKE_BINARY_DIR}/crlf/${destination}/${name} DESTINATION ${destination})
endfunction()

set(MORVASK_EXAMPLE_FILES CMakeLists.txt example_filter.c example_filter.def example_filter.reg)

# The kit for filter authors, on every platform: the header, the example
# filter, and a CMake package that finds the header wherever the tree is.
include(CMakePackageConfigHelpers)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/MorvaskConfigVersion.cmake
  COMPATIBILITY SameMajorVersion ARCH_INDEPENDENT)
install(FILES cmake/MorvaskConfig.cmake ${CMAKE_BINARY_DIR}/MorvaskConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_DATADIR}/cmake/Morvask)

if(WIN32)
  # What a Windows user unpacks: the program and the filter library side by
  # side (Windows finds a library beside the program), the texts in CR LF,
  # and no man page.
  install(TARGETS morvask RUNTIME DESTINATION .)
  install(TARGETS morvask_folder_filter LIBRARY DESTINATION . RUNTIME DESTINATION .)
  morvask_install_with_crlf(docs/README-windows.txt . README.txt)
  morvask_install_with_crlf(LICENSE . LICENSE.txt)
  morvask_install_with_crlf(docs/third-party-notices.txt . THIRD-PARTY-NOTICES.txt)
  morvask_install_with_crlf(include/morvask/filter.h include/morvask filter.h)
  foreach(file IN LISTS MORVASK_EXAMPLE_FILES)
    morvask_install_with_crlf(examples/filter/${file} examples/filter ${file})
  endforeach()
else()
  include(cmake/install-linux.cmake)
endif()

set(CPACK_PACKAGE_NAME morvask)
set(CPACK_PACKAGE_VENDOR "Morvask")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
# Debugging information stays in the build folder.
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "copy databases between a desktop and a handheld device")
set(CPACK_PACKAGE_DESCRIPTION
  "Morvask copies one database per run between this computer and a handheld
device served by a device-sync manager. It converts nothing itself: it finds
the database filter registered for the source file type, loads the filter's
library, calls its transfer function once and prints the text of the status
that came back.
.
This package holds the program, the folder filter (a filter that stands in
for a device by a folder of this computer, so that transfers can be tried
without a device), the registry file that registers it, and the header and
example that filter authors build against.")
if(WIN32)
  # One top folder, morvask-<version>-win32, holding everything.
  set(CPACK_GENERATOR ZIP)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CPACK_SYSTEM_NAME win64)
  else()
    set(CPACK_SYSTEM_NAME win32)
  endif()
else()
  set(CPACK_GENERATOR "TGZ;DEB")
  set(CPACK_SET_DESTDIR ON)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  # The .tar.gz unpacks at the build's prefix (/usr/local by default), whose
  # paths the registry file in it names; the .deb installs under /usr, as
  # Debian's packages do (cpack-project.cmake).
  set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
  set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/cpack-project.cmake)
  set(MORVASK_MAINTAINER "Morvask maintainers <maintainers@morvask.org>" CACHE STRING
    "The maintainer the Debian package names")
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${MORVASK_MAINTAINER}")
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  # Edits to the registry file survive upgrades and removal; only a purge
  # deletes it.
  file(WRITE ${CMAKE_BINARY_DIR}/debian/conffiles "/etc/morvask/registry.reg\n")
  set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/debian/conffiles)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
endif()
include(CPack)
