#pragma once
// Hands web and mail addresses to the desktop's default handler, without waiting for it.

#include <QUrl>

#include <functional>
#include <optional>
#include <string>

#include "platform/shell.h"

namespace platform_qt {

class QtShell final : public platform::Shell {
public:
    using Opener = std::function<bool(const QUrl&)>;  // QDesktopServices::openUrl unless a test says
    QtShell();
    explicit QtShell(Opener opener) : opener_(std::move(opener)) {}

    // Opens the address when it parses strictly as an http or https address with a host or a
    // mailto address with a recipient; anything else is dropped. The result is not examined.
    void open(const std::string& address) override;

    static std::optional<QUrl> parse(const std::string& address);

private:
    Opener opener_;
};

}  // namespace platform_qt
