#pragma once
// The program's identity as its windows show it: title and version numbers.

#include <string>
#include <string_view>

namespace secondary {

inline constexpr std::string_view kAppTitle = "Velmora Fest Countdown";
inline constexpr int kVersionMajor = 4;
inline constexpr int kVersionMinor = 3;
inline constexpr int kVersionRevision = 0;

// "4.3.0": each number as plain decimal digits, no leading zeros.
inline std::string version_text() {
    return std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor) + "." +
           std::to_string(kVersionRevision);
}

}  // namespace secondary
