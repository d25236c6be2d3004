# Run when installing: writes the registry file that registers the folder
# filter by its installed path, and installs it.
set(MORVASK_FILTER_PATH "${CMAKE_INSTALL_PREFIX}/${MORVASK_FILTER_RELATIVE_PATH}")
# A .reg string escapes backslashes and quotes with a backslash.
string(REPLACE "\\" "\\\\" MORVASK_FILTER_PATH "${MORVASK_FILTER_PATH}")
string(REPLACE "\"" "\\\"" MORVASK_FILTER_PATH "${MORVASK_FILTER_PATH}")
configure_file("${MORVASK_REGISTRY_TEMPLATE}" "${MORVASK_REGISTRY_FILE}" @ONLY)
# As GNUInstallDirs has it: a /usr install keeps its configuration in /etc.
set(MORVASK_REGISTRY_DIR "${CMAKE_INSTALL_PREFIX}/${MORVASK_REGISTRY_RELATIVE_DIR}")
if(CMAKE_INSTALL_PREFIX MATCHES "^/usr/?$" AND MORVASK_REGISTRY_RELATIVE_DIR MATCHES "^etc/")
  set(MORVASK_REGISTRY_DIR "/${MORVASK_REGISTRY_RELATIVE_DIR}")
endif()
file(INSTALL "${MORVASK_REGISTRY_FILE}" DESTINATION "${MORVASK_REGISTRY_DIR}")
