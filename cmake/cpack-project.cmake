# Read by cpack for each package it makes: the .deb installs under /usr, as
# Debian's packages do, whatever prefix the build was configured for (the
# program finds its registry file from where it is installed).
if(CPACK_GENERATOR STREQUAL "DEB")
  set(CPACK_INSTALL_PREFIX /usr)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
endif()
