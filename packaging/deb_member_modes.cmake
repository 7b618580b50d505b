# Run by CPack once it has made the .deb (CPACK_POST_BUILD_SCRIPTS, before SHA256SUMS is
# written). CPack's deb writer gives each member of the package's ar archive (debian-binary,
# control.tar.gz, data.tar.gz) the mode of the file it wrote it from, which the builder's umask
# sets (under umask 077 they came out 0600, and the package differed). dpkg reads no member's
# mode; each header's mode field is written over with 0644, in place.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  file(SIZE "${deb}" size)
  # After the "!<arch>\n" magic, each member is a 60-byte header (the mode at 40, 8 bytes; the
  # size at 48, 10 bytes) and its data, padded to an even length.
  set(offset 8)
  while(offset LESS size)
    file(READ "${deb}" header OFFSET ${offset} LIMIT 60)
    string(SUBSTRING "${header}" 48 10 length)
    string(STRIP "${length}" length)
    if(NOT length MATCHES "^[0-9]+$")
      message(FATAL_ERROR "${deb}: no ar member header at byte ${offset}")
    endif()
    math(EXPR mode_at "${offset} + 40")
    execute_process(COMMAND sh -c [[printf '100644  ' | dd of="$1" bs=1 seek="$2" conv=notrunc status=none]]
                            mode "${deb}" ${mode_at}
                    RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "${deb}: cannot write the mode of the member at byte ${offset}")
    endif()
    math(EXPR offset "${offset} + 60 + ${length} + ${length} % 2")
  endwhile()
endforeach()
