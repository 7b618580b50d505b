# The Windows build: what the top CMakeLists.txt includes instead of the Linux layout when the
# toolchain is cmake/mingw-w64.cmake. GoogleTest is built from Debian's sources for mingw; every
# test program is one CTest entry (each Wine start costs about a second), run by
# tests/windows/wine_run.sh in the build tree's own Wine prefix.
# Each function and datum in a section of its own, and the sections no program reaches dropped
# when it is linked: the exe carries only the code it runs.
add_compile_options(-ffunction-sections -fdata-sections)
set(VELMORA_WINDOWS_LINK_FLAGS -static -Wl,--gc-sections)

set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

set(VELMORA_WINE_RUN ${PROJECT_SOURCE_DIR}/tests/windows/wine_run.sh)
set(VELMORA_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)

# velmora_windows_test(<target>): the whole program as one test, named windows.<target>.
function(velmora_windows_test target)
  add_test(NAME windows.${target}
           COMMAND ${VELMORA_WINE_RUN} ${VELMORA_WINE_PREFIX} $<TARGET_FILE:${target}> ${ARGN})
  set_tests_properties(windows.${target} PROPERTIES LABELS windows TIMEOUT 300)
endfunction()

add_subdirectory(identity)
add_subdirectory(platform)
add_subdirectory(engine)
add_subdirectory(main_window)
add_subdirectory(secondary_windows)
add_subdirectory(app)
add_subdirectory(tests/engine)
add_subdirectory(tests/platform)
add_subdirectory(tests/main_window)
add_subdirectory(tests/secondary_windows)
add_subdirectory(tests/app/win32)
add_subdirectory(tests/windows)
# The Windows floor and the whole-process benchmark under Wine, and one paint of Main timed.
add_subdirectory(bench/floor_win32)
add_subdirectory(bench/paint_win32)
# The installer and the portable zip (`cmake --build build/windows --target package`), and
# their test under Wine.
if(TARGET Velmora3-C)
  add_subdirectory(packaging/windows)
endif()
