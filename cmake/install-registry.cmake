# Run when installing: writes the registry file that registers the folder
# filter by its installed path, and installs it.
set(MORVASK_FILTER_PATH "${CMAKE_INSTALL_PREFIX}/${MORVASK_FILTER_RELATIVE_PATH}")
# A .reg string escapes backslashes and quotes with a backslash.
string(REPLACE "\\" "\\\\" MORVASK_FILTER_PATH "${MORVASK_FILTER_PATH}")
string(REPLACE "\"" "\\\"" MORVASK_FILTER_PATH "${MORVASK_FILTER_PATH}")
configure_file("${MORVASK_REGISTRY_TEMPLATE}" "${MORVASK_REGISTRY_FILE}" @ONLY)
file(INSTALL "${MORVASK_REGISTRY_FILE}"
  DESTINATION "${CMAKE_INSTALL_PREFIX}/${MORVASK_REGISTRY_RELATIVE_DIR}")
