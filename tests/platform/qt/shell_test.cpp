// The shell hands over only addresses that parse strictly as web or mail addresses.

#include <gtest/gtest.h>

#include <QUrl>

#include <string>
#include <vector>

#include "platform/qt/qt_shell.h"

namespace {

TEST(Shell, OpensWebAndMailAddressesAndDropsEverythingElse) {
    struct Case {
        std::string address;
        bool opened;
    };
    const Case kCases[] = {
        {"https://www.facebook.com/VelmoraFest", true},
        {"http://wrenhollow.example.net", true},
        {"mailto:ardo@wrenhollow.example.net", true},
        {"HTTPS://EXAMPLE.NET/", true},
        {"file:///etc/passwd", false},
        {"javascript:alert(1)", false},
        {"/usr/bin/xterm", false},
        {"https://", false},
        {"http:///path-only", false},
        {"mailto:", false},
        {"", false},
        {" https://example.net", false},
        {"https://exa mple.net", false},
        {"https://example.net/\n", false},
        {"https://example.net/%zz", false},
        {"https://[::1", false},
    };
    for (const Case& c : kCases) {
        std::vector<QUrl> opened;
        platform_qt::QtShell shell([&](const QUrl& url) {
            opened.push_back(url);
            return false;  // no handler: nothing is reported either way
        });
        shell.open(c.address);
        ASSERT_EQ(opened.size(), c.opened ? 1u : 0u) << c.address;
        if (c.opened) {
            EXPECT_EQ(opened.front(), QUrl(QString::fromStdString(c.address))) << c.address;
        }
    }
}

}  // namespace
