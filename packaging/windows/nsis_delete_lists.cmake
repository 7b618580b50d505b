# Run by CPack once the installer's files are staged (CPACK_PRE_BUILD_SCRIPTS). CPack lists the
# files and folders for the uninstaller in the order the file system gives them, which differs
# from one disk to the next and would change the setup's bytes; NSIS.template.in takes these
# lists instead, in the order of the names: each file, then each folder deepest first (RMDir
# takes only an empty one).
if(NOT CPACK_GENERATOR STREQUAL "NSIS")
  return()
endif()
set(staging "${CPACK_TEMPORARY_DIRECTORY}")
file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${staging}" "${staging}/*")
file(GLOB_RECURSE entries LIST_DIRECTORIES true RELATIVE "${staging}" "${staging}/*")
set(folders ${entries})
if(files)
  list(REMOVE_ITEM folders ${files})
endif()
list(SORT files)
list(SORT folders ORDER DESCENDING)

set(CPACK_VELMORA_DELETE_FILES "")
foreach(file IN LISTS files)
  string(REPLACE "/" "\\" file "${file}")
  string(APPEND CPACK_VELMORA_DELETE_FILES "  Delete \"$INSTDIR\\${file}\"\n")
endforeach()
set(CPACK_VELMORA_DELETE_DIRECTORIES "")
foreach(folder IN LISTS folders)
  string(REPLACE "/" "\\" folder "${folder}")
  string(APPEND CPACK_VELMORA_DELETE_DIRECTORIES "  RMDir \"$INSTDIR\\${folder}\"\n")
endforeach()
