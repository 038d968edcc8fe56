// Start-up: from the program's start to its first window (the start menu)
// mapped, under a private Xvfb with no window manager. Median of several
// starts of the player with the example scenario.
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// Starts Xvfb and returns its display number (-1 on failure).
int startXvfb(pid_t& server) {
    int fds[2];
    if (::pipe(fds) != 0) return -1;
    server = ::fork();
    if (server == 0) {
        ::close(fds[0]);
        const std::string fd = std::to_string(fds[1]);
        ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
                 static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    // Xvfb writes the number and then a newline, and dies if the pipe is
    // closed before the newline is written: read the whole line.
    std::string line;
    char ch = 0;
    while (::read(fds[0], &ch, 1) == 1 && ch != '\n') line += ch;
    ::close(fds[0]);
    return line.empty() ? -1 : std::atoi(line.c_str());
}

// Milliseconds from the player's start to the first window mapped on the display.
double firstWindowMs(xcb_connection_t* c, const char* player, const char* scenario, const std::string& display) {
    const auto t0 = std::chrono::steady_clock::now();
    const pid_t p = ::fork();
    if (p == 0) {
        ::setenv("DISPLAY", display.c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
        ::setenv("SDL_AUDIODRIVER", "dummy", 1);
        ::execl(player, player, scenario, static_cast<char*>(nullptr));
        ::_exit(127);
    }
    double ms = -1;
    while (xcb_generic_event_t* e = xcb_wait_for_event(c)) {
        const bool mapped = (e->response_type & 0x7F) == XCB_MAP_NOTIFY;
        std::free(e);
        if (mapped) {
            ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
            break;
        }
    }
    ::kill(p, SIGTERM);
    ::waitpid(p, nullptr, 0);
    return ms;
}

}  // namespace

int main(int argc, char** argv) {
    const char* player = argc > 1 ? argv[1] : "./qelplayer";
    const char* scenario = argc > 2 ? argv[2] : "demo";
    pid_t server = -1;
    const int number = startXvfb(server);
    if (number < 0) {
        std::fprintf(stderr, "cannot start Xvfb\n");
        return 1;
    }
    const std::string display = ":" + std::to_string(number);
    xcb_connection_t* c = xcb_connect(display.c_str(), nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "cannot reach Xvfb\n");
        return 1;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, screen->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);

    std::vector<double> ms;
    for (int i = 0; i < 7; ++i) ms.push_back(firstWindowMs(c, player, scenario, display));
    std::sort(ms.begin(), ms.end());
    std::printf("startup.first_window_ms %.1f ms\n", ms[ms.size() / 2]);
    xcb_disconnect(c);
    ::kill(server, SIGTERM);
    ::waitpid(server, nullptr, 0);
    return ms.front() < 0 ? 1 : 0;
}
