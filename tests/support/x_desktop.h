#pragma once

// A desktop of a test's or benchmark's own: Xvfb on a display number it reports itself (no
// fixed numbers, so runs side by side do not clash), optionally with the openbox window
// manager, and a watch that sees when a program's window is mapped there. Bounded waits on
// conditions throughout, never fixed sleeps.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace kv::test {

// Whether `program` is on the PATH.
inline bool OnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string all = path ? path : "/usr/bin:/bin";
    for (std::size_t start = 0; start <= all.size();) {
        const std::size_t end = std::min(all.find(':', start), all.size());
        if (::access((all.substr(start, end - start) + "/" + program).c_str(), X_OK) == 0)
            return true;
        start = end + 1;
    }
    return false;
}

// Starts a program with stdout and stderr sent to /dev/null; -1 on failure.
inline pid_t SpawnQuiet(const std::vector<std::string>& args,
                        const std::vector<std::string>& extraEnv = {}, int keepFd = -1) {
    std::vector<std::string> strings = args;
    std::vector<char*> argv;
    for (auto& s : strings)
        argv.push_back(s.data());
    argv.push_back(nullptr);
    std::vector<std::string> env = extraEnv;
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::dup2(null, 2);
        if (keepFd >= 0)
            ::fcntl(keepFd, F_SETFD, 0);
        for (const auto& e : env)
            ::putenv(const_cast<char*>(e.c_str()));
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    return pid;
}

inline void EndProcess(pid_t pid) {
    if (pid <= 0)
        return;
    ::kill(pid, SIGTERM);
    for (int i = 0; i < 250; ++i) {
        if (::waitpid(pid, nullptr, WNOHANG) != 0)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

class XDesktop {
public:
    explicit XDesktop(bool windowManager) {
        if (!OnPath("Xvfb")) {
            whyNot_ = "Xvfb is not installed";
            return;
        }
        int report[2];
        if (::pipe2(report, O_CLOEXEC) != 0)
            return;
        server_ = SpawnQuiet({"Xvfb", "-displayfd", std::to_string(report[1]), "-screen", "0",
                              "1280x1024x24", "-nolisten", "tcp"},
                             {}, report[1]);
        ::close(report[1]);
        std::string number;
        pollfd p{report[0], POLLIN, 0};
        while (::poll(&p, 1, 20000) > 0) {
            char c;
            if (::read(report[0], &c, 1) != 1 || c == '\n')
                break;
            number += c;
        }
        ::close(report[0]);
        if (number.empty()) {
            whyNot_ = "Xvfb did not start";
            return;
        }
        display_ = ":" + number;
        if (!windowManager)
            return;
        if (!OnPath("openbox")) {
            whyNot_ = "openbox is not installed";
            return;
        }
        manager_ = SpawnQuiet({"openbox", "--sm-disable"}, {"DISPLAY=" + display_});
        if (!WaitForWindowManager()) {
            whyNot_ = "openbox did not start";
            return;
        }
    }
    ~XDesktop() {
        EndProcess(manager_);
        EndProcess(server_);
    }
    XDesktop(const XDesktop&) = delete;
    XDesktop& operator=(const XDesktop&) = delete;

    bool Ok() const { return whyNot_.empty() && !display_.empty(); }
    const std::string& WhyNot() const { return whyNot_; }
    const std::string& Display() const { return display_; }

private:
    // A window manager announces itself on the root window.
    bool WaitForWindowManager() {
        xcb_connection_t* c = xcb_connect(display_.c_str(), nullptr);
        if (xcb_connection_has_error(c)) {
            xcb_disconnect(c);
            return false;
        }
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
        const char* name = "_NET_SUPPORTING_WM_CHECK";
        auto* atom = xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
        bool found = false;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (atom && !found && std::chrono::steady_clock::now() < deadline) {
            auto* reply = xcb_get_property_reply(
                c, xcb_get_property(c, 0, root, atom->atom, XCB_ATOM_WINDOW, 0, 1), nullptr);
            found = reply && xcb_get_property_value_length(reply) > 0;
            std::free(reply);
            if (!found)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        std::free(atom);
        xcb_disconnect(c);
        return found;
    }

    pid_t server_ = -1;
    pid_t manager_ = -1;
    std::string display_;
    std::string whyNot_;
};

// Watches a display for the first top-level window (not a popup, at least 100 x 100) mapped
// after the watch began.
class MapWatch {
public:
    explicit MapWatch(const std::string& display) {
        c_ = xcb_connect(display.c_str(), nullptr);
        if (xcb_connection_has_error(c_))
            return;
        root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
        const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(c_, root_, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(c_);
    }
    ~MapWatch() { xcb_disconnect(c_); }
    MapWatch(const MapWatch&) = delete;
    MapWatch& operator=(const MapWatch&) = delete;

    // When it was seen mapped; nothing when the bound passed first.
    std::optional<std::chrono::steady_clock::time_point> WaitForMapped(
        std::chrono::milliseconds bound) {
        if (xcb_connection_has_error(c_))
            return std::nullopt;
        const auto deadline = std::chrono::steady_clock::now() + bound;
        for (;;) {
            while (xcb_generic_event_t* e = xcb_poll_for_event(c_)) {
                const bool mapped = Handle(e);
                std::free(e);
                if (mapped)
                    return std::chrono::steady_clock::now();
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return std::nullopt;
            pollfd p{xcb_get_file_descriptor(c_), POLLIN, 0};
            ::poll(&p, 1, static_cast<int>(left.count()));
        }
    }

private:
    bool Handle(xcb_generic_event_t* e) {
        switch (e->response_type & 0x7F) {
            case XCB_CREATE_NOTIFY: {
                auto* ev = reinterpret_cast<xcb_create_notify_event_t*>(e);
                if (ev->parent != root_ || ev->override_redirect || ev->width < 100 ||
                    ev->height < 100)
                    return false;
                candidates_.insert(ev->window);
                const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
                xcb_change_window_attributes(c_, ev->window, XCB_CW_EVENT_MASK, &mask);
                // It may have been mapped before the watch on it began.
                auto* a = xcb_get_window_attributes_reply(
                    c_, xcb_get_window_attributes(c_, ev->window), nullptr);
                const bool shown = a && a->map_state != XCB_MAP_STATE_UNMAPPED;
                std::free(a);
                return shown;
            }
            case XCB_MAP_NOTIFY: {
                auto* ev = reinterpret_cast<xcb_map_notify_event_t*>(e);
                return candidates_.count(ev->window) > 0;
            }
            default: return false;
        }
    }

    xcb_connection_t* c_ = nullptr;
    xcb_window_t root_ = 0;
    std::set<xcb_window_t> candidates_;
};

}  // namespace kv::test
