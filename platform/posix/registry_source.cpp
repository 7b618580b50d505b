#include "platform/posix/registry_source.h"

namespace platform {

// Linux keeps no registry, so nothing can be opened and no handle is ever handed out.
OpenedKey AbsentRegistry::open_key(std::int32_t, const std::string&, std::uint32_t) {
    return {.status = kRegNotFound, .handle = 0};
}

std::int32_t AbsentRegistry::query_value(KeyHandle, const std::string&, std::uint32_t&, std::span<std::uint8_t>,
                                         std::uint32_t&) {
    return kRegInvalidHandle;
}

void AbsentRegistry::close_key(KeyHandle) {}

}  // namespace platform
