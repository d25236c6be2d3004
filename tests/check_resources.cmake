# Reads the resources back from a built Windows file and fails unless its
# version resource carries the project's version and names, and, for the
# program, unless its manifest runs it as the invoker, declares Vista to
# Windows 10/11, and leaves the system's ANSI code page in force.
#
#   cmake -DWINDRES=... -DFILE=... -DFILE_NAME=morvask.exe -DVERSION=3.0.0.6
#         -DLICENSE=... [-DMANIFEST=ON] -P check_resources.cmake

cmake_minimum_required(VERSION 3.25)

execute_process(COMMAND ${WINDRES} -J coff -O rc -i ${FILE}
  OUTPUT_VARIABLE resources RESULT_VARIABLE result ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${WINDRES} cannot read the resources of ${FILE}: ${errors}")
endif()

set(failures 0)
function(expect what pattern)
  string(FIND "${resources}" "${pattern}" at)
  if(at EQUAL -1)
    message(SEND_ERROR "${FILE}: ${what}: no '${pattern}' among its resources")
    math(EXPR failures "${failures} + 1")
    set(failures ${failures} PARENT_SCOPE)
  endif()
endfunction()

file(STRINGS ${LICENSE} copyright REGEX "^Copyright ")
get_filename_component(internal_name ${FILE_NAME} NAME_WE)
string(REPLACE "." ", " numeric_version "${VERSION}")
expect("file version" "FILEVERSION ${numeric_version}\n")
expect("product version" "PRODUCTVERSION ${numeric_version}\n")
foreach(value IN ITEMS "FileVersion\", \"${VERSION}\"" "ProductVersion\", \"${VERSION}\""
    "ProductName\", \"Morvask\"" "InternalName\", \"${internal_name}\""
    "OriginalFilename\", \"${FILE_NAME}\"" "LegalCopyright\", \"${copyright}\""
    "FileDescription\", \"Morvask")
  expect("version string" "VALUE \"${value}")
endforeach()

if(MANIFEST)
  expect("manifest" "1 24 /* RT_MANIFEST */")
  expect("execution level" "<requestedExecutionLevel level=\"\"asInvoker\"\" uiAccess=\"\"false\"\"/>")
  foreach(system IN ITEMS e2011457-1546-43c5-a5fe-008deee3d3f0 35138b9a-5d96-4fbd-8e2d-a2440225f93a
      4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38 1f676c76-80e1-4239-95bb-83d0f6d0da78
      8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a)
    expect("supported system" "<supportedOS Id=\"\"{${system}}\"\"/>")
  endforeach()
  string(FIND "${resources}" "activeCodePage" at)
  if(NOT at EQUAL -1)
    message(SEND_ERROR "${FILE}: its manifest sets activeCodePage")
    math(EXPR failures "${failures} + 1")
  endif()
endif()

if(failures GREATER 0)
  message(FATAL_ERROR "${failures} problems")
endif()
message(STATUS "${FILE}: version ${VERSION}, resources as expected")
