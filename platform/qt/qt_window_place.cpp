#include "platform/qt/qt_window_place.h"

#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QWidget>
#include <QWindow>

#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "platform/posix/sway_ipc.h"

namespace platform_qt {

std::unique_ptr<WindowPlace> window_place_for_platform() {
    if (QGuiApplication::platformName() != QLatin1String("wayland")) return std::make_unique<ToolkitPlace>();
    const char* sway = std::getenv("SWAYSOCK");
    if (sway && *sway) return std::make_unique<SwayPlace>(sway, static_cast<long>(::getpid()));
    return std::make_unique<CompositorPlace>();
}

std::optional<QPoint> ToolkitPlace::where(const QWidget& window) { return window.pos(); }

void ToolkitPlace::put_back(QWidget& window, QPoint at) {
    // A place of the program's own, which the window manager keeps when the window maps again
    // (on X11 the size hints then carry the position). Qt marks a place as the program's own
    // only when it changes the window's geometry, and it is often where the window already is.
    window.move(at);
    if (QWindow* handle = window.windowHandle()) handle->setPosition(handle->position());
}

SwayPlace::SwayPlace(std::string socket_path, long pid, Timing timing)
    : socket_(std::move(socket_path)), pid_(pid), timing_(timing) {
    retry_.setInterval(timing_.retry);
    QObject::connect(&retry_, &QTimer::timeout, [this] { try_put_back(); });
}

std::optional<SwayPlace::Found> SwayPlace::find(const QString& title) const {
    const auto tree = platform::sway_request(socket_, platform::kSwayGetTree, "");
    if (!tree) return std::nullopt;
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(*tree));
    std::vector<QJsonObject> stack{doc.object()};
    while (!stack.empty()) {
        const QJsonObject node = stack.back();
        stack.pop_back();
        if (node.value(QStringLiteral("pid")).toInteger(-1) == pid_ &&
            node.value(QStringLiteral("name")).toString() == title) {
            const QJsonObject rect = node.value(QStringLiteral("rect")).toObject();
            return Found{node.value(QStringLiteral("id")).toInteger(),
                         QPoint(rect.value(QStringLiteral("x")).toInt(), rect.value(QStringLiteral("y")).toInt())};
        }
        for (const char* children : {"nodes", "floating_nodes"})
            for (const QJsonValue child : node.value(QLatin1String(children)).toArray())
                stack.push_back(child.toObject());
    }
    return std::nullopt;
}

std::optional<QPoint> SwayPlace::where(const QWidget& window) {
    const auto found = find(window.windowTitle());
    if (!found) return std::nullopt;
    return found->at;
}

void SwayPlace::put_back(QWidget& window, QPoint at) {
    title_ = window.windowTitle();
    target_ = at;
    tries_left_ = static_cast<int>(timing_.give_up / timing_.retry);
    retry_.start();
}

void SwayPlace::try_put_back() {
    // The window is there once sway has mapped it again; until then there is nothing to move.
    if (--tries_left_ < 0) {
        retry_.stop();
        return;
    }
    const auto found = find(title_);
    if (!found) return;
    retry_.stop();
    if (found->at == target_) return;
    const std::string command = "[con_id=" + std::to_string(found->id) + "] move absolute position " +
                                std::to_string(target_.x()) + " " + std::to_string(target_.y());
    platform::sway_request(socket_, platform::kSwayRunCommand, command);
}

}  // namespace platform_qt
