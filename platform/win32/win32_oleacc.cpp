#include "platform/win32/win32_oleacc.h"

#include <optional>

namespace platform_win32 {

namespace {

template <typename Function>
bool take(HMODULE module, const char* name, Function& out) {
    out = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return out != nullptr;
}

}  // namespace

bool load_oleacc(const wchar_t* file, DWORD flags, Oleacc& out) {
    const HMODULE module = LoadLibraryExW(file, nullptr, flags);
    if (!module) return false;
    Oleacc found{};
    if (!take(module, "LresultFromObject", found.lresult_from_object) ||
        !take(module, "AccessibleObjectFromWindow", found.accessible_object_from_window) ||
        !take(module, "CreateStdAccessibleObject", found.create_std_accessible_object)) {
        FreeLibrary(module);
        return false;
    }
    // Kept loaded for the process's life, as a static import would be.
    out = found;
    return true;
}

const Oleacc* oleacc() {
    static const std::optional<Oleacc> loaded = []() -> std::optional<Oleacc> {
        Oleacc functions{};
        if (!load_oleacc(L"oleacc.dll", LOAD_LIBRARY_SEARCH_SYSTEM32, functions)) return std::nullopt;
        return functions;
    }();
    return loaded ? &*loaded : nullptr;
}

BSTR reader_string(const wchar_t* text, UINT length) {
    static const decltype(&::SysAllocStringLen) allocate = [] {
        decltype(&::SysAllocStringLen) found = nullptr;
        // Kept loaded for the process's life: the strings it makes are freed by the reader.
        const HMODULE module = LoadLibraryExW(L"oleaut32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        if (module) take(module, "SysAllocStringLen", found);
        return found;
    }();
    return allocate ? allocate(text, length) : nullptr;
}

}  // namespace platform_win32
