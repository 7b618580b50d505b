# Run by CPack once it has made the portable zip (CPACK_POST_BUILD_SCRIPTS, before
# SHA256SUMS is written). CPack's zip writer stores each entry's owner (the builder's user and
# group ids) and takes the entries in the order the file system lists them. Debian's
# strip-nondeterminism, which every Debian package build runs too, makes it over in the order
# of the names, without owners, with every time at SOURCE_DATE_EPOCH (in UTC) and modes 0644
# or 0755.
if(NOT CPACK_GENERATOR STREQUAL "ZIP")
  return()
endif()
find_program(strip_nondeterminism strip-nondeterminism)
if(NOT strip_nondeterminism)
  message(FATAL_ERROR "strip-nondeterminism is missing (Debian package strip-nondeterminism)")
endif()
foreach(zip IN LISTS CPACK_PACKAGE_FILES)
  execute_process(COMMAND ${strip_nondeterminism} --type zip --timestamp $ENV{SOURCE_DATE_EPOCH} ${zip}
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "strip-nondeterminism could not make ${zip} over")
  endif()
endforeach()
