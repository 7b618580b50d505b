# Run by CPack once it has made a package, before it copies it into CPACK_PACKAGE_DIRECTORY
# (CPACK_POST_BUILD_SCRIPTS, after any script that still changes the package).
#
# SHA256SUMS there, as `sha256sum -c SHA256SUMS` reads it, lists every release file of the
# folder: this package, the files of CPACK_VELMORA_RELEASE_FILES (copied there first), and the
# packages it listed before that are still there, each hashed as it is now. One package made
# after another (the setup, then the zip) so adds its line to theirs.
set(dir "${CPACK_PACKAGE_DIRECTORY}")
set(sums "${dir}/SHA256SUMS")

set(names "")
foreach(file IN LISTS CPACK_VELMORA_RELEASE_FILES)
  get_filename_component(name "${file}" NAME)
  file(COPY_FILE "${file}" "${dir}/${name}" ONLY_IF_DIFFERENT)
  list(APPEND names "${name}")
endforeach()
if(EXISTS "${sums}")
  file(STRINGS "${sums}" lines)
  foreach(line IN LISTS lines)
    if(line MATCHES "^[0-9a-f]+  (.+)$" AND EXISTS "${dir}/${CMAKE_MATCH_1}")
      list(APPEND names "${CMAKE_MATCH_1}")
    endif()
  endforeach()
endif()
set(made "")
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  get_filename_component(name "${package}" NAME)
  list(APPEND names "${name}")
  list(APPEND made "${name}")
endforeach()
list(REMOVE_DUPLICATES names)
list(SORT names)

set(text "")
foreach(name IN LISTS names)
  list(FIND made "${name}" index)
  if(index EQUAL -1)
    set(path "${dir}/${name}")
  else()
    list(GET CPACK_PACKAGE_FILES ${index} path)
  endif()
  file(SHA256 "${path}" hash)
  string(APPEND text "${hash}  ${name}\n")
endforeach()
file(WRITE "${sums}" "${text}")
