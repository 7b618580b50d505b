#pragma once
// The resources Velmora3-C.exe carries, by id; plain defines, so the resource script and the
// C++ code read the same numbers.

// The program's icon group: what the window, the task bar, Explorer and the tray show.
#define VELMORA_IDI_PROGRAM 1
// The About box's picture (picIcon): the 32 x 32 16-colour image of the program's icon.
#define VELMORA_IDI_ABOUT 2

// The faces the program carries for systems that lack the design's own (RCDATA, font files of
// Debian's fonts-liberation and fonts-roadgeek), added to the process at start.
#define VELMORA_IDF_SANS_NARROW 201
#define VELMORA_IDF_SANS_NARROW_BOLD 202
#define VELMORA_IDF_SANS 203
#define VELMORA_IDF_SANS_BOLD 204
#define VELMORA_IDF_ROADGEEK_B 205

#ifndef RC_INVOKED
inline constexpr int kVelmoraCarriedFonts[] = {VELMORA_IDF_SANS_NARROW, VELMORA_IDF_SANS_NARROW_BOLD, VELMORA_IDF_SANS,
                                               VELMORA_IDF_SANS_BOLD, VELMORA_IDF_ROADGEEK_B};
#endif
