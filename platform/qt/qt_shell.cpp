#include "platform/qt/qt_shell.h"

#include <QDesktopServices>

#include <algorithm>

namespace platform_qt {

QtShell::QtShell() : opener_([](const QUrl& url) { return QDesktopServices::openUrl(url); }) {}

std::optional<QUrl> QtShell::parse(const std::string& address) {
    // No blanks or control characters anywhere: the handler gets exactly what was written.
    if (address.empty() ||
        std::any_of(address.begin(), address.end(), [](unsigned char c) { return c <= 0x20 || c == 0x7F; }))
        return std::nullopt;
    const QUrl url(QString::fromStdString(address), QUrl::StrictMode);
    if (!url.isValid()) return std::nullopt;
    const QString scheme = url.scheme();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https")) {
        if (url.host().isEmpty()) return std::nullopt;
        return url;
    }
    if (scheme == QLatin1String("mailto")) {
        if (url.path().isEmpty()) return std::nullopt;
        return url;
    }
    return std::nullopt;
}

void QtShell::open(const std::string& address) {
    if (const auto url = parse(address)) opener_(*url);  // starts the handler and returns
}

}  // namespace platform_qt
