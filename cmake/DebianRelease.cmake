# The Debian release this machine runs and the values packaging/deps.sh chooses for it, read
# from deps.sh itself so that the table of what differs between releases is written once:
#
#   VELMORA_DEBIAN_RELEASE       bookworm or trixie
#   VELMORA_CLANG_VERSION        the release's clang (the formatter, the fuzzers' compiler)
#   VELMORA_NARROW_FONT_PACKAGE  the package that holds Liberation Sans Narrow
set(deps ${PROJECT_SOURCE_DIR}/packaging/deps.sh)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${deps} /etc/os-release)
execute_process(COMMAND bash -c ". \"$0\" && echo \"$VELMORA_RELEASE;$CLANG_VERSION;$NARROW_FONT_PACKAGE\"" ${deps}
                OUTPUT_VARIABLE values ERROR_VARIABLE error RESULT_VARIABLE status OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${error}")
endif()
list(POP_FRONT values VELMORA_DEBIAN_RELEASE VELMORA_CLANG_VERSION VELMORA_NARROW_FONT_PACKAGE)
unset(deps)
unset(values)
