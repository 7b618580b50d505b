# The fonts Velmora3-C.exe carries for systems that lack the design's faces: one row each of
# resource key, file and the Debian package that installs it (packaging/deps.sh lists the
# packages; the file is found wherever the package puts it). Each package's copyright file is
# the licence that goes with the program beside the exe. Liberation Sans Narrow is in
# fonts-liberation on Debian 12 and in a package of its own on Debian 13
# (cmake/DebianRelease.cmake).
#
# Included by app/win32/CMakeLists.txt, which compiles the files in as RCDATA and sets, as
# internal cache entries every directory sees:
#   VELMORA_CARRIED_FONT_FILES     the font files, by path
#   VELMORA_CARRIED_FONT_PACKAGES  their Debian packages, once each
#   VELMORA_CARRIED_FONT_LICENCES  the licences, copied into the build tree as <package>.copyright.txt
set(VELMORA_CARRIED_FONTS
    SANS_NARROW LiberationSansNarrow-Regular.ttf ${VELMORA_NARROW_FONT_PACKAGE}
    SANS_NARROW_BOLD LiberationSansNarrow-Bold.ttf ${VELMORA_NARROW_FONT_PACKAGE}
    SANS LiberationSans-Regular.ttf fonts-liberation
    SANS_BOLD LiberationSans-Bold.ttf fonts-liberation
    ROADGEEK_B RG2014B.ttf fonts-roadgeek)
