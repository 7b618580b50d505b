# The fonts Velmora3-C.exe carries for systems that lack the design's faces: one row each of
# resource key, folder under /usr/share/fonts/truetype, file and the Debian package that
# installs it (packaging/deps.sh lists the packages). Each package's copyright file is the
# licence that goes with the program beside the exe.
#
# Included by app/win32/CMakeLists.txt, which compiles the files in as RCDATA and sets, as
# internal cache entries every directory sees:
#   VELMORA_CARRIED_FONT_FILES     the font files, by path
#   VELMORA_CARRIED_FONT_PACKAGES  their Debian packages, once each
#   VELMORA_CARRIED_FONT_LICENCES  the licences, copied into the build tree as <package>.copyright.txt
set(VELMORA_CARRIED_FONTS
    SANS_NARROW liberation LiberationSansNarrow-Regular.ttf fonts-liberation
    SANS_NARROW_BOLD liberation LiberationSansNarrow-Bold.ttf fonts-liberation
    SANS liberation LiberationSans-Regular.ttf fonts-liberation
    SANS_BOLD liberation LiberationSans-Bold.ttf fonts-liberation
    ROADGEEK_B roadgeek RG2014B.ttf fonts-roadgeek)
