#pragma once
// An in-memory registry: keys with the access they grant, values as type code and bytes.
// It records every open, query and close, so tests can see which keys were asked for, with
// which access, and that every handle was closed again. Standard library only.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/registry.h"

namespace fakes {

struct RegistryValue {
    std::uint32_t type = platform::kRegText;
    std::vector<std::uint8_t> data;
    // A faulty source: answers success and reports this size, whatever the buffer holds.
    std::optional<std::uint32_t> claimed_size = std::nullopt;
};

class FakeRegistry final : public platform::RegistrySource {
public:
    struct Open {
        std::int32_t root;
        std::string path;
        std::uint32_t access;
    };

    // A key that grants the access given; opening it asking for anything more is denied,
    // as the local-machine root denies write access to an ordinary user.
    void add_key(std::int32_t root, const std::string& path, std::uint32_t granted = platform::kKeyRead) {
        keys_[{root, path}].granted = granted;
    }
    void set_value(std::int32_t root, const std::string& path, const std::string& name, RegistryValue value) {
        keys_[{root, path}].values[name] = std::move(value);
    }
    void set_text(std::int32_t root, const std::string& path, const std::string& name, const std::string& text,
                  bool with_terminating_zero = true) {
        std::vector<std::uint8_t> data(text.begin(), text.end());
        if (with_terminating_zero) data.push_back(0);
        set_value(root, path, name, {.type = platform::kRegText, .data = std::move(data)});
    }
    void set_number(std::int32_t root, const std::string& path, const std::string& name, std::uint32_t bits) {
        set_value(root, path, name,
                  {.type = platform::kRegNumber,
                   .data = {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
                            static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)}});
    }

    platform::OpenedKey open_key(std::int32_t root, const std::string& path, std::uint32_t access) override {
        opens.push_back({root, path, access});
        const auto key = keys_.find({root, path});
        if (key == keys_.end()) return {.status = platform::kRegNotFound};
        if ((access & ~key->second.granted) != 0) return {.status = platform::kRegAccessDenied};
        const platform::KeyHandle handle = next_handle_++;
        open_[handle] = &key->second;
        return {.status = platform::kRegSuccess, .handle = handle};
    }

    std::int32_t query_value(platform::KeyHandle handle, const std::string& name, std::uint32_t& type,
                             std::span<std::uint8_t> buffer, std::uint32_t& size) override {
        ++queries;
        const auto key = open_.find(handle);
        if (key == open_.end()) return platform::kRegInvalidHandle;
        const auto value = key->second->values.find(name);
        if (value == key->second->values.end()) return platform::kRegNotFound;
        const RegistryValue& v = value->second;
        const std::size_t room = std::min<std::size_t>(size, buffer.size());
        type = v.type;
        if (v.claimed_size) {
            const std::size_t copied = std::min(room, v.data.size());
            if (copied > 0) std::memcpy(buffer.data(), v.data.data(), copied);
            size = *v.claimed_size;
            return platform::kRegSuccess;
        }
        if (v.data.size() > room) {
            size = static_cast<std::uint32_t>(v.data.size());
            return platform::kRegMoreData;
        }
        if (!v.data.empty()) std::memcpy(buffer.data(), v.data.data(), v.data.size());
        size = static_cast<std::uint32_t>(v.data.size());
        return platform::kRegSuccess;
    }

    void close_key(platform::KeyHandle handle) override {
        closes.push_back(handle);
        open_.erase(handle);
    }

    // Handles handed out and not closed yet.
    std::size_t open_handles() const { return open_.size(); }

    std::vector<Open> opens;
    std::vector<platform::KeyHandle> closes;
    int queries = 0;

private:
    struct Key {
        std::uint32_t granted = platform::kKeyRead;
        std::map<std::string, RegistryValue> values;
    };
    std::map<std::pair<std::int32_t, std::string>, Key> keys_;
    std::map<platform::KeyHandle, Key*> open_;
    platform::KeyHandle next_handle_ = 0x100;
};

}  // namespace fakes
