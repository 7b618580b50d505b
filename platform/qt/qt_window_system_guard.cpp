#include "platform/qt/qt_window_system_guard.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <string_view>

namespace platform_qt {
namespace {

// Qt's handler is a plain function, so the armed guard is found through this.
std::atomic<WindowSystemGuard*> armed_guard{nullptr};
std::atomic<QtMessageHandler> previous_handler{nullptr};

std::optional<std::string> from_environment(std::string_view name) {
    const char* value = std::getenv(std::string(name).c_str());
    if (!value) return std::nullopt;
    return std::string(value);
}

platform::HeldMessage::Level level_of(QtMsgType type) {
    switch (type) {
        case QtDebugMsg: return platform::HeldMessage::Level::Debug;
        case QtInfoMsg: return platform::HeldMessage::Level::Info;
        default: return platform::HeldMessage::Level::Warning;
    }
}

}  // namespace

WindowSystemGuard::WindowSystemGuard(std::string program) : program_(std::move(program)) {
    armed_guard = this;
    previous_handler = qInstallMessageHandler(&WindowSystemGuard::on_message);
}

WindowSystemGuard::~WindowSystemGuard() { release(); }

void WindowSystemGuard::release() {
    WindowSystemGuard* self = this;
    if (!armed_guard.compare_exchange_strong(self, nullptr)) return;
    qInstallMessageHandler(previous_handler);
    std::vector<Held> held;
    {
        std::lock_guard lock(mutex_);
        held.swap(held_);
    }
    for (const auto& message : held) {
        const QMessageLogContext context(message.file.empty() ? nullptr : message.file.c_str(), message.line,
                                         message.function.empty() ? nullptr : message.function.c_str(),
                                         message.category.c_str());
        qt_message_output(message.type, context, message.text);
    }
}

void WindowSystemGuard::on_message(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    WindowSystemGuard* guard = armed_guard;
    std::unique_lock<std::mutex> lock;
    if (guard) lock = std::unique_lock(guard->mutex_);
    if (!guard || armed_guard != guard) {
        // Released a moment ago, while this message was on its way.
        if (QtMessageHandler previous = previous_handler) previous(type, context, text);
        return;
    }
    if (type != QtFatalMsg) {
        guard->held_.push_back({type, context.file ? context.file : "", context.function ? context.function : "",
                                context.category ? context.category : "default", context.line, text});
        return;
    }
    // Qt gives up here and would abort next: say it in one line and end.
    std::vector<platform::HeldMessage> held;
    for (const auto& message : guard->held_)
        held.push_back({level_of(message.type), message.category, message.text.toStdString()});
    const std::string line =
        platform::window_system_failure_line(guard->program_, from_environment, held, text.toStdString()) + "\n";
    [[maybe_unused]] const auto written = ::write(STDERR_FILENO, line.data(), line.size());
    ::_exit(kNoWindowSystemStatus);
}

}  // namespace platform_qt
