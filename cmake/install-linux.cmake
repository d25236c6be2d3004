# Where each part goes on a Linux install (included by install.cmake).

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
install(TARGETS morvask)
install(TARGETS morvask_folder_filter LIBRARY DESTINATION ${MORVASK_FILTER_INSTALL_DIR})
install(FILES include/morvask/filter.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/morvask)
install(FILES README.md docs/copyright DESTINATION ${MORVASK_DOC_DIR})
list(TRANSFORM MORVASK_EXAMPLE_FILES PREPEND examples/filter/ OUTPUT_VARIABLE example_files)
install(FILES ${example_files} DESTINATION ${MORVASK_DOC_DIR}/examples/filter)
configure_file(cmake/morvask.pc.in ${CMAKE_BINARY_DIR}/morvask.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/morvask.pc DESTINATION ${CMAKE_INSTALL_DATADIR}/pkgconfig)

# Written when installing, when the real prefix is known (cpack's /usr for
# the .deb): the registry file that names the installed folder filter, the
# man page with the paths and the version of this installation, and the
# compressed change log.
install(CODE "
  set(MORVASK_VERSION \"${PROJECT_VERSION}\")
  set(MORVASK_RELEASE_DATE \"${MORVASK_RELEASE_DATE}\")
  set(MORVASK_SOURCE_DIR \"${PROJECT_SOURCE_DIR}\")
  set(MORVASK_STAGING_DIR \"${CMAKE_BINARY_DIR}/installing\")
  set(MORVASK_FILTER_RELATIVE_PATH \"${MORVASK_FILTER_INSTALL_DIR}/$<TARGET_FILE_NAME:morvask_folder_filter>\")
  set(MORVASK_SYSCONFDIR_RELATIVE \"${CMAKE_INSTALL_SYSCONFDIR}\")
  set(MORVASK_MANDIR_RELATIVE \"${CMAKE_INSTALL_MANDIR}\")
  set(MORVASK_DOC_DIR_RELATIVE \"${MORVASK_DOC_DIR}\")
  include(\"${PROJECT_SOURCE_DIR}/cmake/install-generated.cmake\")")
