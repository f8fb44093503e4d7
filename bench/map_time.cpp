// SPDX-License-Identifier: MIT
// Starts a program and waits for the X server to report its window mapped, for bench/idle: the
// time between the start and the MapNotify of a top-level window whose title contains TITLE,
// taken from the server's own event rather than by asking again and again.
//
//   map_time TITLE PROGRAM [ARGUMENT...]
// prints "<pid> <milliseconds>" (-1 when no such window came within 10 s) and leaves the
// program running.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/types.h>

extern char **environ;

namespace {

double nowMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

std::string title(Display *display, Window window)
{
    const Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    for (const Atom property : {netName, Atom(XA_WM_NAME)}) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char *data = nullptr;
        if (XGetWindowProperty(display, window, property, 0, 1024, False, AnyPropertyType, &type, &format, &count,
                               &after, &data) == Success && data) {
            std::string text(reinterpret_cast<char *>(data), format == 8 ? count : 0);
            XFree(data);
            if (!text.empty())
                return text;
        }
    }
    return {};
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: map_time TITLE PROGRAM [ARGUMENT...]\n");
        return 2;
    }
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "map_time: cannot open the display\n");
        return 2;
    }
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);

    pid_t pid = 0;
    const double start = nowMs();
    if (const int error = posix_spawnp(&pid, argv[2], nullptr, nullptr, argv + 2, environ); error != 0) {
        std::fprintf(stderr, "map_time: cannot start %s: %s\n", argv[2], std::strerror(error));
        return 2;
    }
    const double deadline = start + 10000;
    double mappedAt = -1;
    pollfd connection{ConnectionNumber(display), POLLIN, 0};
    while (mappedAt < 0 && nowMs() < deadline) {
        while (mappedAt < 0 && XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify && title(display, event.xmap.window).find(argv[1]) != std::string::npos)
                mappedAt = nowMs();
        }
        if (mappedAt < 0)
            poll(&connection, 1, 100);
    }
    std::printf("%d %d\n", int(pid), mappedAt < 0 ? -1 : int(mappedAt - start + 0.5));
    XCloseDisplay(display);
    return 0;
}
