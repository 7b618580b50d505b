#pragma once
// The registry on a system that has none: every key is missing.

#include "platform/registry.h"

namespace platform {

class AbsentRegistry final : public RegistrySource {
public:
    OpenedKey open_key(std::int32_t root, const std::string& path, std::uint32_t access) override;
    std::int32_t query_value(KeyHandle key, const std::string& name, std::uint32_t& type,
                             std::span<std::uint8_t> buffer, std::uint32_t& size) override;
    void close_key(KeyHandle key) override;
};

}  // namespace platform
