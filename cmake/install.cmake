# Where each part goes on install, and the packages made from it.

# Installs the project's text file SOURCE at the top as TARGET, with CR LF
# line ends.
function(morvask_install_with_crlf source target)
  file(READ ${PROJECT_SOURCE_DIR}/${source} content)
  string(REPLACE "\r\n" "\n" content "${content}")
  string(REPLACE "\n" "\r\n" content "${content}")
  file(WRITE ${CMAKE_BINARY_DIR}/${target} "${content}")
  install(FILES ${CMAKE_BINARY_DIR}/${target} DESTINATION .)
endfunction()

if(WIN32)
  # What a Windows user unpacks: the program and the filter library side by
  # side (Windows finds a library beside the program), the texts with CR LF
  # line ends for Notepad, and no man page.
  install(TARGETS morvask RUNTIME DESTINATION .)
  install(TARGETS morvask_folder_filter LIBRARY DESTINATION . RUNTIME DESTINATION .)
  morvask_install_with_crlf(README.md README.txt)
  morvask_install_with_crlf(LICENSE LICENSE.txt)
else()
  set(MORVASK_FILTER_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/morvask)
  install(TARGETS morvask)
  install(TARGETS morvask_folder_filter LIBRARY DESTINATION ${MORVASK_FILTER_INSTALL_DIR})
  install(FILES doc/morvask.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES README.md LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/morvask)
endif()
install(FILES include/morvask/filter.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/morvask)

if(NOT WIN32)
  # The registry file names the folder filter by the path it is installed
  # at, which is known only when installing.
  install(CODE "
    set(MORVASK_FILTER_RELATIVE_PATH \"${MORVASK_FILTER_INSTALL_DIR}/$<TARGET_FILE_NAME:morvask_folder_filter>\")
    set(MORVASK_REGISTRY_TEMPLATE \"${PROJECT_SOURCE_DIR}/cmake/registry.reg.in\")
    set(MORVASK_REGISTRY_FILE \"${CMAKE_CURRENT_BINARY_DIR}/registry.reg\")
    set(MORVASK_REGISTRY_RELATIVE_DIR \"${CMAKE_INSTALL_SYSCONFDIR}/morvask\")
    include(\"${PROJECT_SOURCE_DIR}/cmake/install-registry.cmake\")")
endif()

set(CPACK_PACKAGE_NAME morvask)
set(CPACK_PACKAGE_VENDOR "Morvask")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "Copies one database between this computer and a handheld device through the sync manager's filters")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
# Debugging information stays in the build folder.
set(CPACK_STRIP_FILES ON)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  # One top folder, morvask-<version>-win32, holding everything.
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CPACK_SYSTEM_NAME win64)
  else()
    set(CPACK_SYSTEM_NAME win32)
  endif()
else()
  set(CPACK_GENERATOR "TGZ;DEB")
  # Both unpack at the prefix the program was built for, where it looks for
  # its registry file.
  set(CPACK_SET_DESTDIR ON)
  set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Morvask maintainers <morvask@localhost>")
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
endif()
include(CPack)
