#pragma once
// The resources Velmora3-C.exe carries, by id; plain defines, so the resource script and the
// C++ code read the same numbers.

// The program's icon group: what the window, the task bar, Explorer and the tray show.
#define VELMORA_IDI_PROGRAM 1
// The About box's picture (picIcon): the 32 x 32 16-colour image of the program's icon.
#define VELMORA_IDI_ABOUT 2
