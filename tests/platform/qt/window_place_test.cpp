// A window the program hid comes back where it was left: the form asks its place where the
// window is when it hides it and puts it back there when it shows it again; sway's place asks
// sway over its IPC socket (here a fake sway that answers from a scripted tree).

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QTemporaryDir>

#include <atomic>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/posix/sway_ipc.h"
#include "platform/qt/qt_window_place.h"
#include "tests/platform/qt/qt_harness.h"

namespace {

using namespace qt_test;
using platform_qt::SwayPlace;

constexpr long kPid = 4242;
const QString kTitle = QStringLiteral("time until zindlefest");

// A sway that answers GET_TREE from `tree()` and RUN_COMMAND with success, one request per
// connection as sway_request makes them, and keeps every command it was sent.
class FakeSway {
public:
    explicit FakeSway(std::function<std::string()> tree) : tree_(std::move(tree)) {
        path_ = dir_.filePath(QStringLiteral("sway-ipc.sock")).toStdString();
        listener_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::memcpy(a.sun_path, path_.c_str(), path_.size());
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(listener_, 8) != 0)
            ADD_FAILURE() << "the fake sway cannot listen at " << path_;
        thread_ = std::thread([this] { serve(); });
    }
    ~FakeSway() {
        stop_ = true;
        ::shutdown(listener_, SHUT_RDWR);
        ::close(listener_);
        thread_.join();
    }
    const std::string& path() const { return path_; }
    std::vector<std::string> commands() {
        std::lock_guard lock(mutex_);
        return commands_;
    }
    int trees_asked() const { return trees_; }

private:
    void serve() {
        while (!stop_) {
            const int c = ::accept(listener_, nullptr, nullptr);
            if (c < 0) return;
            char header[14];
            std::uint32_t length = 0, type = 0;
            if (::recv(c, header, 14, MSG_WAITALL) == 14) {
                std::memcpy(&length, header + 6, 4);
                std::memcpy(&type, header + 10, 4);
                std::string payload(length, '\0');
                if (length) ::recv(c, payload.data(), length, MSG_WAITALL);
                std::string answer;
                if (type == platform::kSwayGetTree) {
                    ++trees_;
                    answer = tree_();
                } else {
                    std::lock_guard lock(mutex_);
                    commands_.push_back(payload);
                    answer = R"([{"success": true}])";
                }
                std::string out = "i3-ipc";
                const auto n = static_cast<std::uint32_t>(answer.size());
                out.append(reinterpret_cast<const char*>(&n), 4);
                out.append(reinterpret_cast<const char*>(&type), 4);
                out += answer;
                ::send(c, out.data(), out.size(), MSG_NOSIGNAL);
            }
            ::close(c);
        }
    }

    QTemporaryDir dir_;
    std::string path_;
    std::function<std::string()> tree_;
    int listener_ = -1;
    std::atomic<bool> stop_{false};
    std::atomic<int> trees_{0};
    std::mutex mutex_;
    std::vector<std::string> commands_;
    std::thread thread_;
};

std::string view(long pid, const char* name, int id, int x, int y) {
    return "{\"id\": " + std::to_string(id) + ", \"type\": \"floating_con\", \"pid\": " + std::to_string(pid) +
           ", \"name\": \"" + name + "\", \"rect\": {\"x\": " + std::to_string(x) + ", \"y\": " + std::to_string(y) +
           ", \"width\": 257, \"height\": 145}, \"nodes\": [], \"floating_nodes\": []}";
}

// A tree of one output and workspace with the given tiled and floating views.
std::string tree(const std::string& tiled, const std::string& floating) {
    return R"({"id": 1, "type": "root", "nodes": [{"id": 3, "type": "output", "nodes": [{"id": 4, "type": "workspace", "nodes": [)" +
           tiled + R"(], "floating_nodes": [)" + floating + "]}]}]}";
}

TEST(SwayPlace, FindsThisProgramsWindowByItsProcessAndTitleAnywhereInTheTree) {
    struct Case {
        const char* what;
        std::string tree;
        std::optional<QPoint> found;
    };
    const Case cases[] = {
        {"floating", tree("", view(kPid, "time until zindlefest", 9, 483, 423)), QPoint(483, 423)},
        {"tiled", tree(view(kPid, "time until zindlefest", 9, 0, 23), ""), QPoint(0, 23)},
        {"among others",
         tree(view(1, "time until zindlefest", 5, 1, 1),
              view(kPid, "About", 6, 2, 2) + ", " + view(kPid, "time until zindlefest", 7, 30, 40)),
         QPoint(30, 40)},
        {"another program's", tree("", view(kPid + 1, "time until zindlefest", 9, 483, 423)), std::nullopt},
        {"another title", tree("", view(kPid, "About Velmora Fest Countdown", 9, 483, 423)), std::nullopt},
        {"not JSON", "sway says no", std::nullopt},
    };
    QWidget window;
    window.setWindowTitle(kTitle);
    for (const Case& c : cases) {
        FakeSway sway([&] { return c.tree; });
        SwayPlace place(sway.path(), kPid);
        EXPECT_EQ(place.where(window), c.found) << c.what;
    }
    SwayPlace nowhere("/nonexistent/sway-ipc.sock", kPid);
    EXPECT_EQ(nowhere.where(window), std::nullopt);
}

TEST(SwayPlace, PutsTheWindowBackOnceSwayHasMappedItAgainAndOnlyIfItIsElsewhere) {
    struct Case {
        const char* what;
        int absent_for;  // answers without the window before it appears (-1: never)
        QPoint at;       // where sway maps it
        std::vector<std::string> commands;
    };
    const Case cases[] = {
        {"mapped at once", 0, {383, 323}, {"[con_id=11] move absolute position 483 423"}},
        {"mapped later", 3, {383, 323}, {"[con_id=11] move absolute position 483 423"}},
        {"already there", 0, {483, 423}, {}},
        {"never mapped", -1, {383, 323}, {}},
    };
    for (const Case& c : cases) {
        std::atomic<int> asked{0};
        FakeSway sway([&] {
            const bool there = c.absent_for >= 0 && asked++ >= c.absent_for;
            return tree("", there ? view(kPid, "time until zindlefest", 11, c.at.x(), c.at.y()) : "");
        });
        SwayPlace place(sway.path(), kPid,
                        {.retry = std::chrono::milliseconds(5), .give_up = std::chrono::milliseconds(100)});
        QWidget window;
        window.setWindowTitle(kTitle);
        place.put_back(window, {483, 423});
        EXPECT_TRUE(wait_for([&] { return !place.putting_back(); })) << c.what;
        settle(20);
        EXPECT_EQ(sway.commands(), c.commands) << c.what;
        if (c.absent_for > 0) {
            EXPECT_EQ(sway.trees_asked(), c.absent_for + 1) << c.what;
        } else if (c.absent_for < 0) {
            EXPECT_GE(sway.trees_asked(), 10) << c.what;  // tried until it gave up
        }
    }
}

TEST(SwayIpc, AnUnreachableOrSilentSwayIsNoAnswer) {
    EXPECT_EQ(platform::sway_request("", platform::kSwayGetTree, ""), std::nullopt);
    EXPECT_EQ(platform::sway_request("/nonexistent/sway-ipc.sock", platform::kSwayGetTree, ""), std::nullopt);
    EXPECT_EQ(platform::sway_request(std::string(200, 'x'), platform::kSwayGetTree, ""), std::nullopt);
    // A listener that never answers: the request gives up at its time limit.
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("silent.sock")).toStdString();
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::memcpy(a.sun_path, path.c_str(), path.size());
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(::listen(listener, 1), 0);
    EXPECT_EQ(platform::sway_request(path, platform::kSwayGetTree, "", std::chrono::milliseconds(50)), std::nullopt);
    ::close(listener);
}

// A place that remembers what the form asked of it.
struct RecordingPlace final : platform_qt::WindowPlace {
    QPoint now{70, 80};
    std::vector<QPoint>* put;
    int* asked;
    std::optional<QPoint> where(const QWidget&) override {
        ++*asked;
        return now;
    }
    void put_back(QWidget&, QPoint at) override { put->push_back(at); }
};

TEST(FormPlace, AWindowTheProgramHidIsPutBackWhereItWasWhenShownAgain) {
    platform_qt::QtRuntime runtime{kAppTitle};
    auto& form = static_cast<platform_qt::QtForm&>(runtime.load(kProbe, {}));
    std::vector<QPoint> put;
    int asked = 0;
    auto place = std::make_unique<RecordingPlace>();
    place->put = &put;
    place->asked = &asked;
    RecordingPlace* p = place.get();
    form.set_window_place(std::move(place));

    form.hide();  // never shown: nothing to remember
    form.show();  // the first show is the desktop's to place
    EXPECT_EQ(asked, 0);
    EXPECT_TRUE(put.empty());
    form.hide();
    p->now = {300, 200};
    form.hide();  // already hidden: the place it was left at stands
    form.show();
    form.show();  // already shown: nothing to put back
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(put, std::vector<QPoint>{QPoint(70, 80)});
}

}  // namespace
