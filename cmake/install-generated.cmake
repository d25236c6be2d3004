# Run when installing the program (the component "runtime"), with the real
# prefix: writes and installs the files that name this installation's
# paths. The variables come from install-linux.cmake.

# As GNUInstallDirs has it: a /usr installation keeps its configuration in
# /etc; the program looks there when it is installed under /usr.
set(config_dir "${CMAKE_INSTALL_PREFIX}/${MORVASK_SYSCONFDIR_RELATIVE}/morvask")
if(CMAKE_INSTALL_PREFIX MATCHES "^/usr/?$" AND MORVASK_SYSCONFDIR_RELATIVE MATCHES "^etc")
  set(config_dir "/${MORVASK_SYSCONFDIR_RELATIVE}/morvask")
endif()
set(MORVASK_FILTER_FILE "${CMAKE_INSTALL_PREFIX}/${MORVASK_FILTER_RELATIVE_PATH}")
set(MORVASK_REGISTRY_FILE "${config_dir}/registry.reg")
set(MORVASK_DOC_DIR "${CMAKE_INSTALL_PREFIX}/${MORVASK_DOC_DIR_RELATIVE}")
set(MORVASK_DEV_DOC_DIR "${CMAKE_INSTALL_PREFIX}/${MORVASK_DEV_DOC_DIR_RELATIVE}")
file(MAKE_DIRECTORY "${MORVASK_STAGING_DIR}")

# The registry file registers the folder filter by its installed path; a
# .reg string escapes backslashes and quotes with a backslash.
string(REPLACE "\\" "\\\\" MORVASK_FILTER_PATH "${MORVASK_FILTER_FILE}")
string(REPLACE "\"" "\\\"" MORVASK_FILTER_PATH "${MORVASK_FILTER_PATH}")
configure_file("${MORVASK_SOURCE_DIR}/cmake/registry.reg.in" "${MORVASK_STAGING_DIR}/registry.reg" @ONLY)
file(INSTALL "${MORVASK_STAGING_DIR}/registry.reg" DESTINATION "${config_dir}")

include("${MORVASK_SOURCE_DIR}/cmake/install-gzipped.cmake")
configure_file("${MORVASK_SOURCE_DIR}/docs/morvask.1.in" "${MORVASK_STAGING_DIR}/morvask.1" @ONLY)
install_gzipped("${MORVASK_STAGING_DIR}/morvask.1" "${CMAKE_INSTALL_PREFIX}/${MORVASK_MANDIR_RELATIVE}/man1")
install_gzipped("${MORVASK_SOURCE_DIR}/docs/changelog" "${CMAKE_INSTALL_PREFIX}/${MORVASK_DOC_DIR_RELATIVE}")
