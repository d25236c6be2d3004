# Where each part goes on install, and the packages made from it.

# Folders made on install are 0755 whatever the umask of the one who
# builds: the packages hold the same modes for everyone.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
  GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# Installs the project's text file SOURCE as DESTINATION/NAME with CR LF
# line ends, for Notepad.
function(morvask_install_with_crlf source destination name)
  configure_file(${PROJECT_SOURCE_DIR}/${source} ${CMAKE_BINARY_DIR}/crlf/${destination}/${name}
    @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${CMAKE_BINARY_DIR}/crlf/${destination}/${name} DESTINATION ${destination}
    COMPONENT ${ARGN})
endfunction()

set(MORVASK_EXAMPLE_FILES CMakeLists.txt example_filter.c example_filter.def example_filter.reg)

# The kit for filter authors, on every platform: the header, the example
# filter, and a CMake package whose target Morvask::filter brings the
# header, wherever the tree is put.
add_library(morvask_filter_interface INTERFACE)
set_target_properties(morvask_filter_interface PROPERTIES EXPORT_NAME filter)
target_include_directories(morvask_filter_interface INTERFACE
  $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
install(TARGETS morvask_filter_interface EXPORT MorvaskTargets COMPONENT development)
set(MORVASK_CMAKE_DIR ${CMAKE_INSTALL_DATADIR}/cmake/Morvask)
include(CMakePackageConfigHelpers)
configure_package_config_file(cmake/MorvaskConfig.cmake.in
  ${CMAKE_BINARY_DIR}/MorvaskConfig.cmake INSTALL_DESTINATION ${MORVASK_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/MorvaskConfigVersion.cmake
  COMPATIBILITY SameMajorVersion ARCH_INDEPENDENT)
install(EXPORT MorvaskTargets NAMESPACE Morvask:: DESTINATION ${MORVASK_CMAKE_DIR}
  COMPONENT development)
install(FILES ${CMAKE_BINARY_DIR}/MorvaskConfig.cmake ${CMAKE_BINARY_DIR}/MorvaskConfigVersion.cmake
  DESTINATION ${MORVASK_CMAKE_DIR} COMPONENT development)

if(WIN32)
  # What a Windows user unpacks: the program and the filter library side by
  # side (Windows finds a library beside the program), every text in CR LF,
  # and no man page.
  install(TARGETS morvask RUNTIME DESTINATION . COMPONENT runtime)
  install(TARGETS morvask_folder_filter LIBRARY DESTINATION . RUNTIME DESTINATION .
    COMPONENT runtime)
  morvask_install_with_crlf(docs/README-windows.txt . README.txt runtime)
  morvask_install_with_crlf(LICENSE . LICENSE.txt runtime)
  morvask_install_with_crlf(docs/third-party-notices.txt . THIRD-PARTY-NOTICES.txt runtime)
  morvask_install_with_crlf(include/morvask/filter.h include/morvask filter.h development)
  foreach(file IN LISTS MORVASK_EXAMPLE_FILES)
    morvask_install_with_crlf(examples/filter/${file} examples/filter ${file} development)
  endforeach()
else()
  include(cmake/install-linux.cmake)
endif()

set(CPACK_PACKAGE_NAME morvask)
set(CPACK_PACKAGE_VENDOR "Morvask")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
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
without a device) and the registry file that registers it.")
# The same source gives the same packages, byte for byte: every file of
# them is dated as the release (cpack-project.cmake sets SOURCE_DATE_EPOCH
# from it unless it is set).
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/cpack-project.cmake)
set(CPACK_MORVASK_RELEASE_EPOCH ${MORVASK_RELEASE_EPOCH})
if(WIN32)
  # One top folder, morvask-<version>-win32, holding everything, and beside
  # the zip one of the same name and "-symbols" holding each file's
  # debugging information (cmake/windows-package.cmake).
  set(CPACK_GENERATOR ZIP)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CPACK_SYSTEM_NAME win64)
  else()
    set(CPACK_SYSTEM_NAME win32)
  endif()
  set(CPACK_MORVASK_OBJCOPY ${CMAKE_OBJCOPY})
  set(CPACK_MORVASK_STRIP ${CMAKE_STRIP})
  set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/windows-package.cmake)
  set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/windows-zips.cmake)
else()
  # The binaries are stripped, their debugging information kept apart: in
  # the .deb's debug-symbols package (morvask-dbgsym, found by build ID as
  # Debian's are, finished by cmake/debian-dbgsym.cmake) and nowhere in the
  # .tar.gz.
  set(CPACK_STRIP_FILES ON)
  set(CPACK_GENERATOR "TGZ;DEB")
  set(CPACK_SET_DESTDIR ON)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  # The .tar.gz unpacks at the build's prefix (/usr/local by default), whose
  # paths the registry file in it names; the .deb installs under /usr, as
  # Debian's packages do (cpack-project.cmake).
  set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
  set(MORVASK_MAINTAINER "Morvask maintainers <maintainers@morvask.org>" CACHE STRING
    "The maintainer the Debian packages name")
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${MORVASK_MAINTAINER}")
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  # Two .debs: the program, and the kit for filter authors, which needs
  # this very version of it; the .tar.gz holds both.
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
  set(CPACK_COMPONENTS_ALL runtime development)
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME morvask)
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_RUNTIME_DEBUGINFO_PACKAGE ON)
  set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME morvask-dev)
  set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
  set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_ARCHITECTURE all)
  set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "morvask (= ${PROJECT_VERSION})")
  set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION
    "kit for writing Morvask's database filters
Morvask copies one database per run between this computer and a handheld
device through the database filter registered for the file type, a library
that exports two functions.
.
This package holds what a filter author builds against: the header
morvask/filter.h, a CMake package (find_package(Morvask), target
Morvask::filter), a pkg-config file and an example filter in C with the
files that build and register it.")
  set(CPACK_COMPONENT_RUNTIME_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION_SUMMARY}
${CPACK_PACKAGE_DESCRIPTION}")
  # Edits to the registry file survive upgrades and removal; only a purge
  # deletes it.
  file(WRITE ${CMAKE_BINARY_DIR}/debian/conffiles "/etc/morvask/registry.reg\n")
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/debian/conffiles)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/debian-dbgsym.cmake
    ${PROJECT_SOURCE_DIR}/cmake/linux-packages.cmake)
  set(CPACK_MORVASK_AR ${CMAKE_AR})
endif()
include(CPack)
