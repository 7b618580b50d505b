#include "platform/win32/win32_launcher.h"

#include <windows.h>

#include <string>

#include "platform/win32/win32_text.h"

namespace platform_win32 {

namespace {

// A zero byte would name a shorter path to the API; a quote could not be quoted whole.
bool nameable(const std::string& path) { return !path.empty() && path.find('\0') == std::string::npos; }

// The system's own text for an error code, without its closing line break.
std::string system_message(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = length > 0 && text ? std::wstring(text, length) : std::wstring();
    if (text) LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' '))
        message.pop_back();
    const std::string code = "error " + std::to_string(error);
    return message.empty() ? code : to_utf8(message) + " (" + code + ")";
}

}  // namespace

bool Win32Launcher::file_exists(const std::string& path) {
    if (!nameable(path)) return false;
    const DWORD attributes = GetFileAttributesW(to_wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

void Win32Launcher::start(const std::string& path) {
    if (path.empty()) throw platform::LaunchError("cannot start a program without a path");
    if (!nameable(path)) throw platform::LaunchError("cannot start a path that holds a zero byte");
    if (path.find('"') != std::string::npos)
        throw platform::LaunchError("cannot start \"" + path + "\": a path cannot hold a quote");

    const std::wstring application = to_wide(path);
    std::wstring command_line = L"\"" + application + L"\"";  // CreateProcessW may write into it
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(application.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        throw platform::LaunchError("cannot start \"" + path + "\": " + system_message(GetLastError()));
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

}  // namespace platform_win32
