# The time every release file carries, in seconds since 1970 (UTC), as SOURCE_DATE_EPOCH:
# the packager's own when the environment sets it, else the last commit's when the source is a
# Git clone, else a fixed time (a tree unpacked from an archive). Run at every build:
#
#   cmake -DSOURCE_DIR=<top of the source> -DOUTPUT=<file> -P source_date_epoch.cmake
#
# OUTPUT is rewritten only when the time has changed, so what depends on it is made again only
# then.
set(fallback 1767225600)  # 2026-01-01 00:00 UTC

set(epoch "")
if("$ENV{SOURCE_DATE_EPOCH}" MATCHES "^[0-9]+$")
  set(epoch $ENV{SOURCE_DATE_EPOCH})
elseif(EXISTS ${SOURCE_DIR}/.git)
  find_program(git_program git)
  if(git_program)
    execute_process(COMMAND ${git_program} -C ${SOURCE_DIR} log -1 --format=%ct
                    OUTPUT_VARIABLE out ERROR_VARIABLE error RESULT_VARIABLE status
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(status EQUAL 0 AND out MATCHES "^[0-9]+$")
      set(epoch ${out})
    endif()
  endif()
  if(epoch STREQUAL "")
    # A clone whose history git cannot read (not installed, or the clone belongs to another
    # user): the packages would not carry the commit's time, so say so.
    message(WARNING "${SOURCE_DIR} is a Git clone, but `git log` cannot read its last commit "
                    "(${error}); the release files carry the fixed time ${fallback} instead")
  endif()
endif()
if(epoch STREQUAL "")
  set(epoch ${fallback})
endif()

file(CONFIGURE OUTPUT ${OUTPUT} CONTENT "${epoch}\n")
