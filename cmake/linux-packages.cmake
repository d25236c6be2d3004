# Run by cpack after it made the packages: makes them the same whoever
# builds them, and the .tar.gz safe to unpack at / as root.
#
# CPack writes each .deb's archive members with the builder's umask (0664
# under umask 002): the .debs are written again with ar's deterministic
# mode (owner 0/0, mode 0644, dated 0), in the order dpkg requires.
#
# The .tar.gz: CPack records every folder
# on the way with the builder's owner and mode: unpacked at /, an archive
# built by another account, or under umask 002, would change the owner or
# mode of the system's /usr, /usr/local and /usr/local/bin. The archive is
# made again with GNU tar:
#  - entries owned by 0/0, named by number;
#  - folders and programs 0755, every other file 0644;
#  - no entry for a folder Morvask does not own (usr/, usr/local/bin/, …):
#    unpacking makes one that is missing and leaves one that exists as it
#    is;
#  - names sorted, dated SOURCE_DATE_EPOCH, gzip without a name or time.
include(${CMAKE_CURRENT_LIST_DIR}/cpack-helpers.cmake)

# Whether the path names a folder of Morvask's own, or lies in one.
function(morvask_owned path result)
  string(REGEX MATCH "(^|/)[Mm]orvask(-dev)?(/|$)" owned "${path}")
  set(${result} ${owned} PARENT_SCOPE)
endfunction()

foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(NOT package MATCHES "\\.deb$")
    continue()
  endif()
  set(members "${CPACK_TOPLEVEL_DIRECTORY}/deb-members")
  fresh_folder("${members}")
  execute_process(COMMAND "${CPACK_MORVASK_AR}" t "${package}" OUTPUT_VARIABLE names
    RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "cannot read ${package}")
  endif()
  string(REGEX REPLACE "\n$" "" names "${names}")
  string(REPLACE "\n" ";" names "${names}")
  run("${CMAKE_COMMAND}" -E chdir "${members}" "${CPACK_MORVASK_AR}" x "${package}")
  file(REMOVE "${package}")
  run("${CMAKE_COMMAND}" -E chdir "${members}" "${CPACK_MORVASK_AR}" rcD "${package}" ${names})
  file(REMOVE_RECURSE "${members}")
endforeach()

set(epoch "$ENV{SOURCE_DATE_EPOCH}")
if(epoch STREQUAL "")
  set(epoch 0)
endif()
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(NOT package MATCHES "\\.tar\\.gz$")
    continue()
  endif()
  set(root "${CPACK_TOPLEVEL_DIRECTORY}/tarball")
  fresh_folder("${root}")
  run(tar -xzf "${package}" -C "${root}")
  folders_0755("${root}")
  file(GLOB_RECURSE entries LIST_DIRECTORIES true RELATIVE "${root}" "${root}/*")
  list(SORT entries)
  set(listed "")
  foreach(entry IN LISTS entries)
    if(IS_DIRECTORY "${root}/${entry}")
      morvask_owned("${entry}" owned)
      if(NOT owned)
        continue()
      endif()
    elseif(NOT IS_SYMLINK "${root}/${entry}")
      execute_process(COMMAND test -x "${root}/${entry}" RESULT_VARIABLE not_program)
      if(not_program)
        file(CHMOD "${root}/${entry}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
      else()
        file(CHMOD "${root}/${entry}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
          GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
      endif()
    endif()
    string(APPEND listed "${entry}\n")
  endforeach()
  file(WRITE "${root}.list" "${listed}")
  run(tar -C "${root}" --no-recursion --owner=0 --group=0 --numeric-owner
    "--mtime=@${epoch}" --format=gnu -cf "${root}.tar" -T "${root}.list")
  run(gzip -9nf "${root}.tar")
  file(RENAME "${root}.tar.gz" "${package}")
  file(REMOVE_RECURSE "${root}" "${root}.list")
endforeach()
