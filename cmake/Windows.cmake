# The Windows build: what the top CMakeLists.txt includes instead of the Linux layout when the
# toolchain is cmake/mingw-w64.cmake. GoogleTest is built from Debian's sources for mingw; every
# test program is one CTest entry (each Wine start costs about a second), run by
# tests/windows/wine_run.sh in the build tree's own Wine prefix.
# Each function and datum in a section of its own, and the sections no program reaches dropped
# when it is linked: the exe carries only the code it runs. Its sections start on whole pages in
# the file too, so Wine maps them from the file as Windows does, and only the pages a program
# touches are in memory; at the linker's default 512 bytes Wine reads the whole exe, its
# carried faces and icons with it, into memory of the process's own.
add_compile_options(-ffunction-sections -fdata-sections)
set(VELMORA_WINDOWS_LINK_FLAGS -static -Wl,--gc-sections -Wl,--file-alignment,4096)

if(BUILD_TESTING)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  if(NOT EXISTS /usr/src/googletest/CMakeLists.txt)
    message(FATAL_ERROR "the Windows tests need GoogleTest's sources in /usr/src/googletest "
                        "(apt-get install googletest), or configure with -DBUILD_TESTING=OFF")
  endif()
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()

set(VELMORA_WINE_RUN ${PROJECT_SOURCE_DIR}/tests/windows/wine_run.sh)
set(VELMORA_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)

# velmora_windows_test(<target>): the whole program as one test, named windows.<target>.
function(velmora_windows_test target)
  velmora_test(windows.${target} LABELS windows TIMEOUT 300
               COMMAND ${VELMORA_WINE_RUN} ${VELMORA_WINE_PREFIX} $<TARGET_FILE:${target}> ${ARGN})
endfunction()

add_subdirectory(identity)
add_subdirectory(platform)
add_subdirectory(engine)
add_subdirectory(main_window)
add_subdirectory(secondary_windows)
add_subdirectory(app)
if(BUILD_TESTING)
  add_subdirectory(tests/engine)
  add_subdirectory(tests/platform)
  add_subdirectory(tests/main_window)
  add_subdirectory(tests/secondary_windows)
  add_subdirectory(tests/app/win32)
  add_subdirectory(tests/windows)
endif()
# The Windows floor and the whole-process benchmark under Wine, and one paint of Main timed.
if(VELMORA_BENCH)
  add_subdirectory(bench/floor_win32)
  add_subdirectory(bench/paint_win32)
endif()
# The installer and the portable zip (`cmake --build build/windows --target package`), and
# their test under Wine.
if(TARGET Velmora3-C)
  add_subdirectory(packaging/windows)
endif()

# The tests here take turns: most share the build tree's Wine prefix (one wineserver), the
# rest start Wine desktops of their own beside it. The Linux build that runs them
# (VELMORA_WINDOWS_BUILD) reads this list after them; `ctest -j` there keeps them apart.
function(velmora_tests_under dir out)
  get_property(found DIRECTORY ${dir} PROPERTY TESTS)
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(sub IN LISTS subdirs)
    velmora_tests_under(${sub} more)
    list(APPEND found ${more})
  endforeach()
  set(${out} ${found} PARENT_SCOPE)
endfunction()
velmora_tests_under(${PROJECT_SOURCE_DIR} wine_tests)
set(lock_script "")
foreach(test IN LISTS wine_tests)
  string(APPEND lock_script "set_tests_properties(\"${test}\" PROPERTIES RESOURCE_LOCK velmora_wine)\n")
endforeach()
file(WRITE ${CMAKE_BINARY_DIR}/wine_locks.cmake "${lock_script}")
