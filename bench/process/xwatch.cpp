// Watches other programs' windows from outside, through the X server alone, so that watching
// changes nothing in the programs watched.
//
//   velmora_xwatch map TITLE TIMEOUT_S
//       Prints "ready" once it listens; then, when a top-level window titled TITLE is mapped,
//       "mapped 0xID NS" and, at its first drawing, "painted 0xID NS", NS being CLOCK_MONOTONIC
//       in nanoseconds (Python's time.monotonic_ns() reads the same clock). Exit status 1 if
//       nothing of the kind happens within TIMEOUT_S.
//   velmora_xwatch damage SECONDS 0xID...
//       Counts the drawing done into each window for SECONDS through the Damage extension and
//       prints "0xID notifies N frames M area A largest L" per window. A notify is one
//       rectangle of drawing as the server reports it; a frame is a burst of notifies no more
//       than kFrameGap apart, which is one repaint of the window however many rectangles its
//       flush needed. A is the pixels of all rectangles together (a pixel drawn twice counts
//       twice), L the pixels of the largest frame.

#include <poll.h>
#include <time.h>
#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;  // CLOCK_MONOTONIC on Linux
constexpr auto kFrameGap = std::chrono::milliseconds(4);

std::int64_t monotonic_ns() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return std::int64_t{ts.tv_sec} * 1'000'000'000 + ts.tv_nsec;
}

[[noreturn]] void fail(const std::string& why) {
    std::fprintf(stderr, "velmora_xwatch: %s\n", why.c_str());
    std::exit(2);
}

struct Connection {
    xcb_connection_t* c = nullptr;
    xcb_window_t root = 0;
    std::uint8_t damage_event = 0;  // first event code of the Damage extension

    Connection() {
        c = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(c)) fail("cannot connect to the X server named by DISPLAY");
        root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
        const xcb_query_extension_reply_t* ext = xcb_get_extension_data(c, &xcb_damage_id);
        if (!ext || !ext->present) fail("the X server has no Damage extension");
        damage_event = ext->first_event;
        // The extension answers nothing until its version has been asked.
        free(xcb_damage_query_version_reply(c, xcb_damage_query_version(c, 1, 1), nullptr));
    }
    ~Connection() { xcb_disconnect(c); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    xcb_atom_t atom(const char* name) const {
        auto* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
        const xcb_atom_t a = r ? r->atom : xcb_atom_t{XCB_ATOM_NONE};
        free(r);
        return a;
    }

    std::optional<std::string> property_text(xcb_window_t w, xcb_atom_t property) const {
        auto* r =
            xcb_get_property_reply(c, xcb_get_property(c, 0, w, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024), nullptr);
        if (!r) return std::nullopt;
        std::optional<std::string> text;
        if (r->format == 8 && r->type != XCB_ATOM_NONE)
            text = std::string(static_cast<const char*>(xcb_get_property_value(r)),
                               static_cast<std::size_t>(xcb_get_property_value_length(r)));
        free(r);
        return text;
    }

    // The title as a window manager shows it: _NET_WM_NAME, else WM_NAME.
    std::optional<std::string> title(xcb_window_t w, xcb_atom_t net_wm_name) const {
        if (auto t = property_text(w, net_wm_name)) return t;
        return property_text(w, XCB_ATOM_WM_NAME);
    }

    xcb_damage_damage_t watch_damage(xcb_window_t w,
                                     xcb_damage_report_level_t level = XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY) const {
        const xcb_damage_damage_t d = xcb_generate_id(c);
        xcb_damage_create(c, d, w, level);
        return d;
    }

    // Waits up to deadline for the next event; nullptr when the time is up.
    std::unique_ptr<xcb_generic_event_t, decltype(&free)> next_event(Clock::time_point deadline) const {
        for (;;) {
            if (xcb_generic_event_t* e = xcb_poll_for_event(c)) return {e, &free};
            if (xcb_connection_has_error(c)) fail("the X server closed the connection");
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) return {nullptr, &free};
            pollfd p{.fd = xcb_get_file_descriptor(c), .events = POLLIN, .revents = 0};
            poll(&p, 1, static_cast<int>(left.count()) + 1);
        }
    }
};

std::uint8_t kind(const xcb_generic_event_t& e) { return e.response_type & 0x7f; }

int watch_map(const std::string& title, double timeout_s) {
    Connection x;
    const xcb_atom_t net_wm_name = x.atom("_NET_WM_NAME");
    const std::uint32_t root_mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(x.c, x.root, XCB_CW_EVENT_MASK, &root_mask);
    xcb_flush(x.c);
    std::printf("ready\n");
    std::fflush(stdout);

    const auto deadline =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(timeout_s));
    // Every new top-level window is watched from its creation, so neither its map nor its
    // first drawing can slip by before the watch is set.
    std::map<xcb_window_t, xcb_damage_damage_t> watched;
    xcb_window_t mapped = 0;
    while (auto e = x.next_event(deadline)) {
        const std::uint8_t k = kind(*e);
        if (k == XCB_CREATE_NOTIFY) {
            const auto* ce = reinterpret_cast<const xcb_create_notify_event_t*>(e.get());
            // Override-redirect ones too: Wine makes a window's X window so and lets the window
            // manager have it only just before it maps it.
            if (ce->parent != x.root) continue;
            const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
            xcb_change_window_attributes(x.c, ce->window, XCB_CW_EVENT_MASK, &mask);
            watched[ce->window] = x.watch_damage(ce->window);
            xcb_flush(x.c);
        } else if (k == XCB_MAP_NOTIFY && !mapped) {
            const auto* me = reinterpret_cast<const xcb_map_notify_event_t*>(e.get());
            if (!watched.count(me->window) || x.title(me->window, net_wm_name) != title) continue;
            mapped = me->window;
            std::printf("mapped 0x%x %lld\n", mapped, static_cast<long long>(monotonic_ns()));
            std::fflush(stdout);
        } else if (k == x.damage_event + XCB_DAMAGE_NOTIFY) {
            const auto* de = reinterpret_cast<const xcb_damage_notify_event_t*>(e.get());
            xcb_damage_subtract(x.c, de->damage, XCB_NONE, XCB_NONE);
            xcb_flush(x.c);
            if (mapped && de->drawable == mapped) {
                std::printf("painted 0x%x %lld\n", mapped, static_cast<long long>(monotonic_ns()));
                return 0;
            }
        }
        // Errors (response type 0) about windows that went away before the watch was set
        // are expected and ignored.
    }
    std::fprintf(stderr, "velmora_xwatch: no window titled \"%s\" %s within %g s\n", title.c_str(),
                 mapped ? "was drawn" : "was mapped", timeout_s);
    return 1;
}

struct Count {
    xcb_window_t window;
    long notifies = 0;
    long frames = 0;
    long long area = 0;
    long long frame_area = 0;  // of the frame going on
    long long largest_frame = 0;
    Clock::time_point last{};
};

int watch_damage(double seconds, const std::vector<xcb_window_t>& windows) {
    Connection x;
    std::map<xcb_damage_damage_t, Count> counts;
    std::vector<xcb_damage_damage_t> order;
    for (xcb_window_t w : windows) {
        // Every rectangle drawn is reported as it is drawn, not only the first into an
        // undamaged window.
        const xcb_damage_damage_t d = x.watch_damage(w, XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
        counts.emplace(d, Count{.window = w});
        order.push_back(d);
    }
    xcb_flush(x.c);
    // A new damage object reports what is already damaged at once; that is not a repaint.
    const auto settle = Clock::now() + std::chrono::milliseconds(50);
    while (auto e = x.next_event(settle))
        if (kind(*e) == x.damage_event + XCB_DAMAGE_NOTIFY)
            xcb_damage_subtract(x.c, reinterpret_cast<const xcb_damage_notify_event_t*>(e.get())->damage, XCB_NONE,
                                XCB_NONE);
    xcb_flush(x.c);

    const auto deadline =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    while (auto e = x.next_event(deadline)) {
        if (kind(*e) == 0) {
            const auto* err = reinterpret_cast<const xcb_generic_error_t*>(e.get());
            fail("X error " + std::to_string(err->error_code) + " (is every window id valid?)");
        }
        if (kind(*e) != x.damage_event + XCB_DAMAGE_NOTIFY) continue;
        const auto* de = reinterpret_cast<const xcb_damage_notify_event_t*>(e.get());
        auto it = counts.find(de->damage);
        if (it == counts.end()) continue;
        Count& count = it->second;
        const auto now = Clock::now();
        if (count.notifies == 0 || now - count.last > kFrameGap) {
            ++count.frames;
            count.frame_area = 0;
        }
        const long long pixels = static_cast<long long>(de->area.width) * de->area.height;
        count.area += pixels;
        count.frame_area += pixels;
        count.largest_frame = std::max(count.largest_frame, count.frame_area);
        ++count.notifies;
        count.last = now;
    }
    for (xcb_damage_damage_t d : order) {
        const Count& count = counts.at(d);
        std::printf("0x%x notifies %ld frames %ld area %lld largest %lld\n", count.window, count.notifies, count.frames,
                    count.area, count.largest_frame);
    }
    return 0;
}

[[noreturn]] void usage() {
    std::fprintf(stderr,
                 "usage: velmora_xwatch map TITLE TIMEOUT_S\n"
                 "       velmora_xwatch damage SECONDS WINDOW_ID...\n");
    std::exit(2);
}

double positive_seconds(const char* text) {
    char* end = nullptr;
    const double s = std::strtod(text, &end);
    if (end == text || *end != '\0' || !(s > 0) || s > 86400) usage();
    return s;
}

xcb_window_t window_id(const char* text) {
    char* end = nullptr;
    const unsigned long id = std::strtoul(text, &end, 0);
    if (end == text || *end != '\0' || id == 0 || id > 0xffffffffUL) usage();
    return static_cast<xcb_window_t>(id);
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc < 2) usage();
    const std::string mode = argv[1];
    if (mode == "map" && argc == 4) return watch_map(argv[2], positive_seconds(argv[3]));
    if (mode == "damage" && argc >= 4) {
        std::vector<xcb_window_t> windows;
        for (int i = 3; i < argc; ++i) windows.push_back(window_id(argv[i]));
        return watch_damage(positive_seconds(argv[2]), windows);
    }
    usage();
}
