#include "secondary_windows/sys_info.h"

#include <exception>
#include <string>

#include "secondary_windows/get_key_value.h"

namespace secondary {

namespace {

// True when the tool was started; false when the registry does not lead to it. Errors
// (an empty value, a failed start) are thrown to the caller's trap.
bool find_and_start(platform::RegistrySource& registry, platform::Launcher& launcher) {
    std::string path;
    // A path found at the first location is started as it stands, untested.
    if (!GetKeyValue(registry, platform::kLocalMachine, std::string(kSysInfoPathKey), std::string(kSysInfoPathValue),
                     path)) {
        if (!GetKeyValue(registry, platform::kLocalMachine, std::string(kSysInfoFolderKey),
                         std::string(kSysInfoFolderValue), path))
            return false;
        const std::string tool = path + std::string(kSysInfoFile);
        if (!launcher.file_exists(tool)) return false;
        path = tool;
    }
    launcher.start(path);  // one whole path, whatever blanks it holds
    return true;
}

}  // namespace

void StartSysInfo(platform::RegistrySource& registry, platform::Launcher& launcher, platform::MessageBox& boxes) {
    bool started = false;
    try {
        started = find_and_start(registry, launcher);
    } catch (const std::exception&) {
        started = false;
    }
    if (!started) boxes.show(std::string(kSysInfoUnavailable), 0);
}

}  // namespace secondary
