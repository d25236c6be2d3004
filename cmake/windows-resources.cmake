# The version resource of both Windows files, and the program's manifest,
# from one template each and the project's one version number.
enable_language(RC)

file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE MORVASK_COPYRIGHT REGEX "^Copyright ")

# morvask_add_version_resource(TARGET FILE-TYPE DESCRIPTION [MANIFEST-FILE])
function(morvask_add_version_resource target file_type description)
  set(MORVASK_RC_FILE_TYPE ${file_type})
  set(MORVASK_RC_DESCRIPTION "${description}")
  set(MORVASK_RC_INTERNAL_NAME ${target})
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    set(MORVASK_RC_FILE_NAME ${target}.exe)
  else()
    set(MORVASK_RC_FILE_NAME ${target}.dll)
  endif()
  set(MORVASK_RC_MANIFEST "")
  if(ARGC GREATER 3)
    # 1 is the manifest a process reads when it starts; 24 is RT_MANIFEST.
    set(MORVASK_RC_MANIFEST "1 24 \"${ARGV3}\"")
  endif()
  set(rc ${CMAKE_BINARY_DIR}/${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()

morvask_add_version_resource(morvask VFT_APP
  "Morvask: copies a database between this computer and a handheld device"
  ${PROJECT_SOURCE_DIR}/cmake/morvask.exe.manifest)
morvask_add_version_resource(morvask_folder_filter VFT_DLL
  "Morvask folder filter: a database filter that stands in for a device by a folder")
