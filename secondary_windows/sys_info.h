#pragma once
// Finds the system-information tool through the registry and starts it, or says it cannot.

#include <string_view>

#include "platform/forms/message_box.h"
#include "platform/launcher.h"
#include "platform/registry.h"

namespace secondary {

// Where the registry says the tool is: first its full path, else the folder it lies in.
inline constexpr std::string_view kSysInfoPathKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
inline constexpr std::string_view kSysInfoPathValue = "PATH";
inline constexpr std::string_view kSysInfoFolderKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
inline constexpr std::string_view kSysInfoFolderValue = "MSINFO";
inline constexpr std::string_view kSysInfoFile = "\\MSINFO32.EXE";
inline constexpr std::string_view kSysInfoUnavailable = "System Information Is Unavailable At This Time";

// Starts the tool without waiting for it. Any failure on the way, an empty registry value
// included, shows the one failure prompt (style 0, the application title) and returns.
void StartSysInfo(platform::RegistrySource& registry, platform::Launcher& launcher, platform::MessageBox& boxes);

}  // namespace secondary
