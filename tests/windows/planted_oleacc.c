// A stand-in for a planted oleacc.dll: whenever a process loads it, it appends that process's
// exe path to a file beside itself (planted_oleacc.loaded), so a test sees from outside who
// loaded it. It exports what the real one's users import, each failing, so a program that imports it
// statically still starts and leaves its mark.

#include <windows.h>

static void leave_mark(HINSTANCE self) {
    // Its folder, whatever the name it was loaded by (Wine gives the name as imported).
    wchar_t mark[MAX_PATH + 32];
    const DWORD length = GetModuleFileNameW(self, mark, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    wchar_t* name = mark + length;
    while (name > mark && name[-1] != L'\\' && name[-1] != L'/') --name;
    lstrcpyW(name, L"planted_oleacc.loaded");
    wchar_t exe[MAX_PATH];
    const DWORD exe_length = GetModuleFileNameW(NULL, exe, MAX_PATH);
    if (exe_length == 0 || exe_length >= MAX_PATH) return;
    const HANDLE file = CreateFileW(mark, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return;
    char line[MAX_PATH * 3 + 2];
    int bytes = WideCharToMultiByte(CP_UTF8, 0, exe, (int)exe_length, line, (int)sizeof line - 2, NULL, NULL);
    line[bytes++] = '\n';
    DWORD written = 0;
    WriteFile(file, line, (DWORD)bytes, &written, NULL);
    CloseHandle(file);
}

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) leave_mark(self);
    return TRUE;
}

__declspec(dllexport) LRESULT WINAPI LresultFromObject(REFIID riid, WPARAM wparam, IUnknown* object) {
    (void)riid, (void)wparam, (void)object;
    return (LRESULT)E_FAIL;
}

__declspec(dllexport) HRESULT WINAPI AccessibleObjectFromWindow(HWND window, DWORD id, REFIID riid, void** out) {
    (void)window, (void)id, (void)riid;
    if (out) *out = NULL;
    return E_FAIL;
}

__declspec(dllexport) HRESULT WINAPI CreateStdAccessibleObject(HWND window, LONG id, REFIID riid, void** out) {
    (void)window, (void)id, (void)riid;
    if (out) *out = NULL;
    return E_FAIL;
}
