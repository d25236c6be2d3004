# Run by cpack after it made the .debs: finishes the debug-symbols package
# CPack made (morvask-dbgsym, the .debug files under
# /usr/lib/debug/.build-id/) as Debian's own are:
#  - the .debug files readable, not executable (0644);
#  - md5sums with the paths as installed (CPack writes its staging folder's
#    full path into them, so that dpkg cannot check them and the package's
#    bytes change with the build folder);
#  - the copyright and change log of the program it belongs to, through
#    /usr/share/doc/morvask-dbgsym -> morvask, as it depends on that very
#    version.
# It keeps CPack's name, NAME-dbgsym_VERSION_ARCH.ddeb, which dpkg and apt
# install as they do a .deb.
# dpkg-deb dates what it adds at SOURCE_DATE_EPOCH and sorts the files:
# the same build gives the same bytes.
include(${CMAKE_CURRENT_LIST_DIR}/cpack-helpers.cmake)

# write_md5sums(ROOT): DEBIAN/md5sums for every file under ROOT, sorted.
function(write_md5sums root)
  file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${root}" "${root}/*")
  list(FILTER files EXCLUDE REGEX "^DEBIAN/")
  list(SORT files)
  set(sums "")
  foreach(file IN LISTS files)
    if(NOT IS_SYMLINK "${root}/${file}")
      file(MD5 "${root}/${file}" sum)
      string(APPEND sums "${sum}  ${file}\n")
    endif()
  endforeach()
  file(WRITE "${root}/DEBIAN/md5sums" "${sums}")
endfunction()

foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(NOT package MATCHES "^(.*/)?([^/]+)-dbgsym_(.*)\\.ddeb$")
    continue()
  endif()
  set(program "${CMAKE_MATCH_2}")
  set(root "${CPACK_TOPLEVEL_DIRECTORY}/dbgsym")
  fresh_folder("${root}")
  run(dpkg-deb --raw-extract "${package}" "${root}")
  file(GLOB_RECURSE debug_files "${root}/usr/lib/debug/*.debug")
  foreach(file IN LISTS debug_files)
    file(CHMOD "${file}" FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  endforeach()
  file(MAKE_DIRECTORY "${root}/usr/share/doc")
  file(CREATE_LINK "${program}" "${root}/usr/share/doc/${program}-dbgsym" SYMBOLIC)
  folders_0755("${root}")
  write_md5sums("${root}")
  run(dpkg-deb --root-owner-group -Zxz --build "${root}" "${package}")
  file(REMOVE_RECURSE "${root}")
endforeach()
