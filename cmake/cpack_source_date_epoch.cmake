# Run by CPack once it has staged a package's files, before it packs them
# (CPACK_PRE_BUILD_SCRIPTS; cmake/Reproducible.cmake says why).
#
# SOURCE_DATE_EPOCH, as the build worked it out, goes into CPack's environment: its deb and
# zip writers take every entry's time from it, and the tools it runs see it too. Every staged
# file and folder takes that time as its own, and the same modes whatever the umask (the
# setup records each file's time for the copy it installs): u=rwX,go=rX gives 0755 to folders
# and programs, 0644 to the rest.
set(epoch_file "${CPACK_VELMORA_SOURCE_DATE_EPOCH_FILE}")
if(NOT EXISTS "${epoch_file}")
  message(FATAL_ERROR "${epoch_file} is missing: build the tree before packaging it")
endif()
file(STRINGS "${epoch_file}" epoch LIMIT_COUNT 1)
if(NOT epoch MATCHES "^[0-9]+$")
  message(FATAL_ERROR "${epoch_file} holds \"${epoch}\", not a number of seconds")
endif()
set(ENV{SOURCE_DATE_EPOCH} ${epoch})

set(staging "${CPACK_TEMPORARY_DIRECTORY}")
execute_process(COMMAND chmod -R u=rwX,go=rX "${staging}" RESULT_VARIABLE status)
if(status EQUAL 0)
  execute_process(COMMAND find "${staging}" -exec touch --no-dereference --date=@${epoch} {} +
                  RESULT_VARIABLE status)
endif()
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cannot set the modes and times of the files staged in ${staging}")
endif()
