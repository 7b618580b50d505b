#include "platform/posix/sway_ipc.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

namespace {

constexpr std::string_view kMagic = "i3-ipc";
constexpr std::size_t kHeader = kMagic.size() + 8;
constexpr std::uint32_t kMostWeRead = 64u << 20;  // a tree of a busy desktop is far smaller

class Socket {
public:
    explicit Socket(int fd) : fd_(fd) {}
    ~Socket() {
        if (fd_ >= 0) ::close(fd_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

bool wait_for(int fd, short what, std::chrono::steady_clock::time_point deadline) {
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd p{fd, what, 0};
        const int n = ::poll(&p, 1, static_cast<int>(left.count()));
        if (n > 0) return true;
        if (n < 0 && errno != EINTR) return false;
    }
}

bool write_all(int fd, const char* data, std::size_t size, std::chrono::steady_clock::time_point deadline) {
    while (size > 0) {
        if (!wait_for(fd, POLLOUT, deadline)) return false;
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool read_all(int fd, char* data, std::size_t size, std::chrono::steady_clock::time_point deadline) {
    while (size > 0) {
        if (!wait_for(fd, POLLIN, deadline)) return false;
        const ssize_t n = ::recv(fd, data, size, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

std::optional<std::string> sway_request(const std::string& socket_path, std::uint32_t type, std::string_view payload,
                                        std::chrono::milliseconds timeout) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socket_path.empty() || socket_path.size() >= sizeof address.sun_path) return std::nullopt;
    std::memcpy(address.sun_path, socket_path.data(), socket_path.size());
    const Socket s(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (s.fd() < 0) return std::nullopt;
    if (::connect(s.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) return std::nullopt;
    const auto deadline = std::chrono::steady_clock::now() + timeout;

    std::string request(kMagic);
    const auto length = static_cast<std::uint32_t>(payload.size());
    request.append(reinterpret_cast<const char*>(&length), 4);
    request.append(reinterpret_cast<const char*>(&type), 4);
    request.append(payload);
    if (!write_all(s.fd(), request.data(), request.size(), deadline)) return std::nullopt;

    char header[kHeader];
    if (!read_all(s.fd(), header, kHeader, deadline)) return std::nullopt;
    if (std::string_view(header, kMagic.size()) != kMagic) return std::nullopt;
    std::uint32_t answer_length = 0;
    std::uint32_t answer_type = 0;
    std::memcpy(&answer_length, header + kMagic.size(), 4);
    std::memcpy(&answer_type, header + kMagic.size() + 4, 4);
    if (answer_type != type || answer_length > kMostWeRead) return std::nullopt;
    std::string answer(answer_length, '\0');
    if (!read_all(s.fd(), answer.data(), answer.size(), deadline)) return std::nullopt;
    return answer;
}

}  // namespace platform
