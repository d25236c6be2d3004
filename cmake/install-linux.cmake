# Where each part goes on a Linux install (included by install.cmake): the
# program's files in the component "runtime" (the package morvask), the kit
# for filter authors in "development" (morvask-dev).

# The folder filter is a plug-in the program loads by its path, not a
# library the linker looks for: it goes where Debian keeps such files, in
# the folder of the architecture (lib/x86_64-linux-gnu/morvask), whatever
# the prefix.
if(CMAKE_LIBRARY_ARCHITECTURE)
  set(MORVASK_FILTER_INSTALL_DIR lib/${CMAKE_LIBRARY_ARCHITECTURE}/morvask)
else()
  set(MORVASK_FILTER_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/morvask)
endif()
set(MORVASK_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/morvask)
set(MORVASK_DEV_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/morvask-dev)
install(TARGETS morvask COMPONENT runtime)
install(TARGETS morvask_folder_filter LIBRARY DESTINATION ${MORVASK_FILTER_INSTALL_DIR}
  COMPONENT runtime)
install(FILES README.md docs/copyright DESTINATION ${MORVASK_DOC_DIR} COMPONENT runtime)
install(FILES include/morvask/filter.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/morvask
  COMPONENT development)
install(FILES docs/copyright DESTINATION ${MORVASK_DEV_DOC_DIR} COMPONENT development)
list(TRANSFORM MORVASK_EXAMPLE_FILES PREPEND examples/filter/ OUTPUT_VARIABLE example_files)
install(FILES ${example_files} DESTINATION ${MORVASK_DEV_DOC_DIR}/examples/filter
  COMPONENT development)

# Written when installing, when the real prefix is known (cpack's /usr for
# the .deb): the registry file that names the installed folder filter, the
# man page with the paths and the version of this installation, the
# pkg-config file with its prefix, and the compressed change logs. Each is
# written first in a folder of the build's own for that destination, so
# that installs to other places at once (the tests', cpack's) never write
# over each other's files.
set(generated "
  set(MORVASK_VERSION \"${PROJECT_VERSION}\")
  set(MORVASK_RELEASE_DATE \"${MORVASK_RELEASE_DATE}\")
  set(MORVASK_SOURCE_DIR \"${PROJECT_SOURCE_DIR}\")
  string(MD5 destination \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
  set(MORVASK_STAGING_DIR \"${CMAKE_BINARY_DIR}/installing/\${destination}\")
  set(MORVASK_FILTER_RELATIVE_PATH \"${MORVASK_FILTER_INSTALL_DIR}/$<TARGET_FILE_NAME:morvask_folder_filter>\")
  set(MORVASK_SYSCONFDIR_RELATIVE \"${CMAKE_INSTALL_SYSCONFDIR}\")
  set(MORVASK_MANDIR_RELATIVE \"${CMAKE_INSTALL_MANDIR}\")
  set(MORVASK_INCLUDEDIR_RELATIVE \"${CMAKE_INSTALL_INCLUDEDIR}\")
  set(MORVASK_DATADIR_RELATIVE \"${CMAKE_INSTALL_DATADIR}\")
  set(MORVASK_DOC_DIR_RELATIVE \"${MORVASK_DOC_DIR}\")
  set(MORVASK_DEV_DOC_DIR_RELATIVE \"${MORVASK_DEV_DOC_DIR}\")")
install(CODE "${generated}
  include(\"${PROJECT_SOURCE_DIR}/cmake/install-generated.cmake\")" COMPONENT runtime)
install(CODE "${generated}
  include(\"${PROJECT_SOURCE_DIR}/cmake/install-generated-development.cmake\")"
  COMPONENT development)
