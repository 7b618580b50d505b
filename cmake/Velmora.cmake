# What every target of ours is built with, and how its tests reach CTest.
#
#   velmora_target_defaults(<target>...)     C++20 without extensions, our warnings, -Werror
#                                            with VELMORA_WERROR, ASan and UBSan with
#                                            VELMORA_SANITIZE
#   velmora_discover_tests(<target> ...)     gtest_discover_tests, plus a label (unit or qt)
#                                            and the sanitizer options for every test it
#                                            finds; on Windows the whole program as one test
#                                            under Wine
#   velmora_sanitizer_env(<test>...)         the sanitizer options for tests made by add_test
#   velmora_test(<name> [SANITIZED] [WORKING_DIRECTORY <dir>] [<property> <value>]...
#                COMMAND <command>...)         a test, its properties and, with SANITIZED, the
#                                            sanitizer options, in one
#
# The settings belong to the targets, not to the folders: a target of someone else's that a
# folder pulls in is built as its makers meant.
include(GoogleTest)

set(VELMORA_WARNINGS -Wall -Wextra -Wpedantic)
set(VELMORA_SANITIZER_FLAGS -fsanitize=address,undefined -fno-omit-frame-pointer
                            -fno-sanitize-recover=undefined)

function(velmora_target_defaults)
  foreach(target IN LISTS ARGN)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "INTERFACE_LIBRARY")
      # Nothing of its own to compile: what links it is built as C++20.
      target_compile_features(${target} INTERFACE cxx_std_20)
      continue()
    endif()
    if(type MATCHES "^(STATIC|SHARED)_LIBRARY$")
      # The headers are C++20: whatever includes them must be built so too.
      target_compile_features(${target} PUBLIC cxx_std_20)
    else()
      target_compile_features(${target} PRIVATE cxx_std_20)
    endif()
    set_target_properties(${target} PROPERTIES CXX_EXTENSIONS OFF)
    target_compile_options(${target} PRIVATE ${VELMORA_WARNINGS})
    if(VELMORA_WERROR)
      target_compile_options(${target} PRIVATE -Werror)
    endif()
    if(VELMORA_SANITIZE)
      target_compile_options(${target} PRIVATE ${VELMORA_SANITIZER_FLAGS})
      target_link_options(${target} PRIVATE -fsanitize=address,undefined)
    endif()
  endforeach()
endfunction()

# Sanitizer options for every test: leaks count as failures, and leak reports from system
# libraries that are not ours are suppressed by name in tests/sanitizers/lsan.supp.
set(VELMORA_SANITIZER_ENV
    "ASAN_OPTIONS=set:detect_leaks=1:halt_on_error=1:detect_stack_use_after_return=1:strict_string_checks=1"
    "LSAN_OPTIONS=set:suppressions=${PROJECT_SOURCE_DIR}/tests/sanitizers/lsan.supp:print_suppressions=0"
    "UBSAN_OPTIONS=set:print_stacktrace=1:halt_on_error=1")

function(velmora_sanitizer_env)
  if(VELMORA_SANITIZE)
    set_tests_properties(${ARGN} PROPERTIES ENVIRONMENT_MODIFICATION "${VELMORA_SANITIZER_ENV}")
  endif()
endfunction()

function(velmora_test name)
  # PARSE_ARGV keeps the semicolons inside an argument (a shell line, a list of labels).
  cmake_parse_arguments(PARSE_ARGV 1 test "SANITIZED" "WORKING_DIRECTORY" "COMMAND")
  if(test_WORKING_DIRECTORY)
    add_test(NAME ${name} COMMAND ${test_COMMAND} WORKING_DIRECTORY ${test_WORKING_DIRECTORY})
  else()
    add_test(NAME ${name} COMMAND ${test_COMMAND})
  endif()
  if(test_UNPARSED_ARGUMENTS)
    set_tests_properties(${name} PROPERTIES ${test_UNPARSED_ARGUMENTS})
  endif()
  if(test_SANITIZED)
    velmora_sanitizer_env(${name})
  endif()
endfunction()

# The tests of a GoogleTest executable are known only once it is built, so a script that CTest
# reads after the list of them labels each, by tier: "qt" for the offscreen Qt programs (those
# on qt_test_main), "unit" for the rest; in a sanitizer build it gives each the options too.
function(velmora_discover_tests target)
  if(WIN32)
    velmora_windows_test(${target})
    return()
  endif()
  gtest_discover_tests(${target} ${ARGN})
  cmake_parse_arguments(PARSE_ARGV 1 discover "" "TEST_LIST" "")
  if(NOT discover_TEST_LIST)
    set(discover_TEST_LIST ${target}_TESTS)
  endif()
  get_target_property(links ${target} LINK_LIBRARIES)
  set(tier unit)
  if(qt_test_main IN_LIST links)
    set(tier qt)
  endif()
  set(sanitizer_env "")
  if(VELMORA_SANITIZE)
    set(sanitizer_env [[ENVIRONMENT_MODIFICATION "@VELMORA_SANITIZER_ENV@"]])
    string(CONFIGURE "${sanitizer_env}" sanitizer_env @ONLY)
  endif()
  set(script ${CMAKE_CURRENT_BINARY_DIR}/${target}_tier.cmake)
  file(CONFIGURE OUTPUT ${script} @ONLY CONTENT [[
foreach(test IN LISTS @discover_TEST_LIST@)
  set_tests_properties("${test}" PROPERTIES LABELS @tier@ @sanitizer_env@)
endforeach()
]])
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${script})
endfunction()
