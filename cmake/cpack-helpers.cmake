# What the scripts cpack runs around packaging share.

# run(COMMAND...): runs the command, and stops cpack when it fails.
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE failed OUTPUT_QUIET)
  if(failed)
    message(FATAL_ERROR "failed: ${ARGN}")
  endif()
endfunction()

# fresh_folder(PATH): an empty folder at PATH.
function(fresh_folder path)
  file(REMOVE_RECURSE "${path}")
  file(MAKE_DIRECTORY "${path}")
endfunction()

# folders_0755(ROOT): ROOT's folders, and every one below it, 0755 whatever
# the builder's umask.
function(folders_0755 root)
  file(GLOB_RECURSE entries LIST_DIRECTORIES true "${root}/*")
  foreach(entry IN ITEMS "${root}" LISTS entries)
    if(IS_DIRECTORY "${entry}" AND NOT IS_SYMLINK "${entry}")
      file(CHMOD "${entry}" DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
        GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    endif()
  endforeach()
endfunction()
