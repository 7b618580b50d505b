// A program for the launcher's tests to start: writes its own command line into a file beside
// itself, named after itself with ".ran" added, so a test sees which program ran and how.

#include <windows.h>

int wmain() {
    wchar_t self[MAX_PATH + 8];
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return 1;
    lstrcatW(self, L".ran");
    const HANDLE file = CreateFileW(self, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 2;
    const wchar_t* command_line = GetCommandLineW();
    DWORD written = 0;
    const BOOL ok =
        WriteFile(file, command_line, static_cast<DWORD>(lstrlenW(command_line) * sizeof(wchar_t)), &written, nullptr);
    CloseHandle(file);
    return ok ? 0 : 3;
}
