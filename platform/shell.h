#pragma once
// Hands an address (https:, http:, mailto:) to the desktop's default handler for its
// scheme. Never waits for the handler and reports nothing when there is none.

#include <string>

namespace platform {

class Shell {
public:
    virtual ~Shell() = default;
    virtual void open(const std::string& address) = 0;
};

}  // namespace platform
