# What makes every release file (Velmora3-C.exe, the setup, the portable zip, the .deb) the
# same to the byte from every build of one commit, whatever the build folder, the time or the
# user:
#
#   - No path of the build machine in a program: the compiler writes the source tree as "."
#     and the build tree as "build" (in __FILE__ and the debug information, and so in the ELF
#     build id, which hashes them). Debug builds keep the real paths for the debugger.
#   - One time, SOURCE_DATE_EPOCH, worked out at every build (cmake/source_date_epoch.cmake)
#     into VELMORA_SOURCE_DATE_EPOCH_FILE. Before each package CPack sets it for itself and the
#     tools it runs, and gives it, with fixed modes, to every staged file
#     (cmake/cpack_source_date_epoch.cmake).
#   - After each package, SHA256SUMS beside it lists the release files of that folder
#     (cmake/cpack_sha256sums.cmake).
#
# Each packaging folder adds what its own generators need to CPACK_PRE_BUILD_SCRIPTS,
# CPACK_POST_BUILD_SCRIPTS and CPACK_VELMORA_RELEASE_FILES (more files to copy beside the
# packages and list) before it includes CPack.

# The build tree last: GCC takes the last map that matches, and the build tree may lie inside
# the source tree.
add_compile_options("$<$<NOT:$<CONFIG:Debug>>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.>"
                    "$<$<NOT:$<CONFIG:Debug>>:-ffile-prefix-map=${PROJECT_BINARY_DIR}=build>")

set(VELMORA_SOURCE_DATE_EPOCH_FILE ${PROJECT_BINARY_DIR}/source_date_epoch.txt)
add_custom_target(velmora_source_date_epoch ALL
                  COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
                          -DOUTPUT=${VELMORA_SOURCE_DATE_EPOCH_FILE}
                          -P ${CMAKE_CURRENT_LIST_DIR}/source_date_epoch.cmake
                  BYPRODUCTS ${VELMORA_SOURCE_DATE_EPOCH_FILE} VERBATIM)

set(CPACK_VELMORA_SOURCE_DATE_EPOCH_FILE ${VELMORA_SOURCE_DATE_EPOCH_FILE})
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/cpack_source_date_epoch.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/cpack_sha256sums.cmake)
set(CPACK_VELMORA_RELEASE_FILES "")
