// A program that carries Velmora3-C.exe's resources and does nothing else, so the checks of
// the version record, the icons and the imports have an exe to read whatever else is built.

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return 0; }
