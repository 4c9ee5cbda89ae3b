// startup-watch: starts a window program and tells, from the X server's own notifications, when
// each of its top-level windows is shown and hidden, until a window whose title starts with
// the given text is shown. No polling: the times are those of the map events themselves.
// Written against Xlib directly, because xdotool can only poll for a window.
//   startup-watch [--let-end] TITLE-PREFIX TIMEOUT-MS PROGRAM [ARGUMENT...]
// Prints "<ms> shown|hidden <title>" per event, then "window-shown <ms>", in milliseconds from
// the start of the program; the program is then ended, or with --let-end left to end by itself
// within the time-out. Exit status 1 when the window was not shown within the time-out. The program
// finds its start time, on the steady clock in nanoseconds, in UPDATER_BENCH_STARTED_NS.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The window's title: _NET_WM_NAME (UTF-8), as Qt sets it, else WM_NAME.
std::string TitleOf(Display* display, Window window) {
    const Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(display, window, netName, 0, 1024, False, utf8, &type, &format, &items,
                           &after, &data) == Success &&
        data != nullptr) {
        title.assign(reinterpret_cast<char*>(data), items);
        XFree(data);
    }
    if (title.empty()) {
        char* name = nullptr;
        if (XFetchName(display, window, &name) != 0 && name != nullptr) {
            title = name;
            XFree(name);
        }
    }
    return title;
}

int IgnoreErrors(Display*, XErrorEvent*) { return 0; }  // a window may be gone already

}  // namespace

int main(int argc, char** argv) {
    const bool letEnd = argc > 1 && std::strcmp(argv[1], "--let-end") == 0;
    if (letEnd) {
        --argc;
        ++argv;
    }
    if (argc < 4) {
        std::fprintf(stderr,
                     "usage: startup-watch [--let-end] TITLE-PREFIX TIMEOUT-MS PROGRAM "
                     "[ARGUMENT...]\n");
        return 2;
    }
    const std::string prefix = argv[1];
    const int timeoutMs = std::atoi(argv[2]);
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "startup-watch: no X display\n");
        return 2;
    }
    XSetErrorHandler(IgnoreErrors);
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, False);

    const Clock::time_point start = Clock::now();
    const std::string started = std::to_string(
        std::chrono::duration_cast<std::chrono::nanoseconds>(start.time_since_epoch()).count());
    const pid_t child = fork();
    if (child == 0) {
        setenv("UPDATER_BENCH_STARTED_NS", started.c_str(), 1);
        execv(argv[3], argv + 3);
        std::perror("startup-watch: cannot start the program");
        _exit(127);
    }

    bool shown = false;
    const int fd = ConnectionNumber(display);
    while (!shown && MsSince(start) < timeoutMs) {
        if (XPending(display) == 0) {
            pollfd wait{fd, POLLIN, 0};
            poll(&wait, 1, 10);
            continue;
        }
        XEvent event;
        XNextEvent(display, &event);
        if (event.type != MapNotify && event.type != UnmapNotify) continue;
        const double at = MsSince(start);
        const Window window = event.type == MapNotify ? event.xmap.window : event.xunmap.window;
        const std::string title = TitleOf(display, window);
        std::printf("%.1f %s %s\n", at, event.type == MapNotify ? "shown" : "hidden",
                    title.c_str());
        if (event.type == MapNotify && title.compare(0, prefix.size(), prefix) == 0) {
            std::printf("window-shown %.1f\n", at);
            shown = true;
        }
    }
    std::fflush(stdout);
    int status = 0;
    if (letEnd) {
        while (waitpid(child, &status, WNOHANG) == 0 && MsSince(start) < timeoutMs) usleep(1000);
    }
    kill(child, SIGTERM);
    waitpid(child, &status, 0);
    XCloseDisplay(display);
    if (!shown)
        std::fprintf(stderr, "startup-watch: no window \"%s\" within %d ms\n", prefix.c_str(),
                     timeoutMs);
    return shown ? 0 : 1;
}
