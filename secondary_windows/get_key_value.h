#pragma once
// Reads one registry value as text. Standard library only, so a fuzzer can link it alone.

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/registry.h"

namespace secondary {

inline constexpr std::size_t kValueBufferSize = 1024;

// True when the value was read; false, with KeyVal empty, when the key cannot be opened for
// reading or the value is missing or larger than 1024 bytes. A text (type 1) becomes KeyVal
// without its terminating zero byte; a 32-bit number (type 4) becomes its signed decimal
// text; any other type counts as read and leaves KeyVal as it came in. A value with no data
// at all throws std::invalid_argument. The key is closed on every path, the throwing one
// included. KeyRoot, KeyName and SubKeyRef are not changed.
bool GetKeyValue(platform::RegistrySource& registry, std::int32_t KeyRoot, const std::string& KeyName,
                 const std::string& SubKeyRef, std::string& KeyVal);

}  // namespace secondary
