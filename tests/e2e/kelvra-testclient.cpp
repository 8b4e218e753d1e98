// A plain Xlib client window for the end-to-end tests: its title, class, window type,
// owner and size hints are set from the command line, so tests can make exactly the
// window they need. It ends on SIGTERM or when its window is closed.
//
//   kelvra-testclient --title T [--class Instance,Class] [--type normal|dialog|utility|
//       toolbar|splash] [--transient-for ID] [--geometry WxH+X+Y] [--min-size WxH]
//       [--increments WxH] [--base-size WxH] [--no-pid] [--splash-first MS]
//       [--reassert-after MS]
//
// --splash-first shows a splash window ("<title> splash") for that long before the
// window; --reassert-after puts the window back to its own geometry once, that long
// after it mapped, as applications that remember their geometry do. A startup id in
// DESKTOP_STARTUP_ID is set on the window, as toolkits do.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

namespace {

volatile sig_atomic_t stopRequested = 0;
void onSignal(int) {
    stopRequested = 1;
}

struct Options {
    std::string title = "kelvra-testclient";
    std::string instance = "kelvra-testclient";
    std::string windowClass = "Kelvra-testclient";
    std::string type = "normal";
    Window transientFor = None;
    int x = 100, y = 100;
    unsigned width = 400, height = 300;
    bool positioned = false;
    int minW = 0, minH = 0, incW = 0, incH = 0, baseW = -1, baseH = -1;
    bool setPid = true;
    int splashMs = 0;
    int reassertMs = -1;
};

[[noreturn]] void usage(const char* problem) {
    std::fprintf(stderr, "kelvra-testclient: %s\n", problem);
    std::exit(2);
}

void parseSize(const char* text, int& w, int& h) {
    if (std::sscanf(text, "%dx%d", &w, &h) != 2 || w < 0 || h < 0) usage("bad size");
}

Options parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) usage(("missing value after " + arg).c_str());
            return argv[++i];
        };
        if (arg == "--title") {
            o.title = value();
        } else if (arg == "--class") {
            std::string v = value();
            size_t comma = v.find(',');
            o.instance = v.substr(0, comma);
            o.windowClass = comma == std::string::npos ? v : v.substr(comma + 1);
        } else if (arg == "--type") {
            o.type = value();
        } else if (arg == "--transient-for") {
            o.transientFor = static_cast<Window>(std::strtoul(value(), nullptr, 0));
        } else if (arg == "--geometry") {
            int x = 0, y = 0;
            unsigned w = 0, h = 0;
            int flags = XParseGeometry(value(), &x, &y, &w, &h);
            if (flags & WidthValue) o.width = w;
            if (flags & HeightValue) o.height = h;
            if ((flags & XValue) && (flags & YValue)) {
                o.x = x;
                o.y = y;
                o.positioned = true;
            }
        } else if (arg == "--min-size") {
            parseSize(value(), o.minW, o.minH);
        } else if (arg == "--increments") {
            parseSize(value(), o.incW, o.incH);
        } else if (arg == "--base-size") {
            parseSize(value(), o.baseW, o.baseH);
        } else if (arg == "--splash-first") {
            o.splashMs = std::atoi(value());
        } else if (arg == "--reassert-after") {
            o.reassertMs = std::atoi(value());
        } else if (arg == "--no-pid") {
            o.setPid = false;
        } else {
            usage(("unknown option " + arg).c_str());
        }
    }
    return o;
}

long long nowMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000LL + t.tv_nsec / 1000000;
}

void setType(Display* d, Window w, const std::string& name) {
    std::string typeName = "_NET_WM_WINDOW_TYPE_";
    for (char c : name) typeName += static_cast<char>(std::toupper(c));
    Atom type = XInternAtom(d, typeName.c_str(), False);
    XChangeProperty(d, w, XInternAtom(d, "_NET_WM_WINDOW_TYPE", False), XA_ATOM, 32,
                    PropModeReplace, reinterpret_cast<unsigned char*>(&type), 1);
}

// A splash window shown for a while before the real one.
void showSplash(Display* d, const Options& o) {
    int screen = DefaultScreen(d);
    Window s = XCreateSimpleWindow(d, RootWindow(d, screen), 200, 200, 300, 150, 0,
                                   BlackPixel(d, screen), WhitePixel(d, screen));
    std::string title = o.title + " splash";
    XStoreName(d, s, title.c_str());
    setType(d, s, "splash");
    if (o.setPid) {
        long pid = static_cast<long>(getpid());
        XChangeProperty(d, s, XInternAtom(d, "_NET_WM_PID", False), XA_CARDINAL, 32,
                        PropModeReplace, reinterpret_cast<unsigned char*>(&pid), 1);
    }
    XMapWindow(d, s);
    XFlush(d);
    long long end = nowMs() + o.splashMs;
    while (!stopRequested && nowMs() < end) {
        while (XPending(d)) {
            XEvent e;
            XNextEvent(d, &e);
        }
        pollfd p{ConnectionNumber(d), POLLIN, 0};
        poll(&p, 1, 50);
    }
    XDestroyWindow(d, s);
    XFlush(d);
}

}  // namespace

int main(int argc, char** argv) {
    Options o = parse(argc, argv);
    Display* d = XOpenDisplay(nullptr);
    if (!d) usage("cannot open the display");
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);

    if (o.splashMs > 0) showSplash(d, o);
    int screen = DefaultScreen(d);
    Window w = XCreateSimpleWindow(d, RootWindow(d, screen), o.x, o.y, o.width, o.height, 0,
                                   BlackPixel(d, screen), WhitePixel(d, screen));
    XSelectInput(d, w, StructureNotifyMask);

    XSizeHints* hints = XAllocSizeHints();
    hints->flags = PSize;
    hints->x = o.x;
    hints->y = o.y;
    hints->width = static_cast<int>(o.width);
    hints->height = static_cast<int>(o.height);
    if (o.positioned) hints->flags |= USPosition | PPosition;
    if (o.minW || o.minH) {
        hints->flags |= PMinSize;
        hints->min_width = o.minW;
        hints->min_height = o.minH;
    }
    if (o.incW || o.incH) {
        hints->flags |= PResizeInc;
        hints->width_inc = o.incW ? o.incW : 1;
        hints->height_inc = o.incH ? o.incH : 1;
    }
    if (o.baseW >= 0) {
        hints->flags |= PBaseSize;
        hints->base_width = o.baseW;
        hints->base_height = o.baseH;
    }
    XClassHint classHint{const_cast<char*>(o.instance.c_str()),
                         const_cast<char*>(o.windowClass.c_str())};
    XTextProperty name;
    char* titleText = const_cast<char*>(o.title.c_str());
    XStringListToTextProperty(&titleText, 1, &name);
    XSetWMProperties(d, w, &name, &name, argv, argc, hints, nullptr, &classHint);
    XFree(name.value);
    XFree(hints);

    Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
    XChangeProperty(d, w, XInternAtom(d, "_NET_WM_NAME", False), utf8, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(o.title.data()),
                    static_cast<int>(o.title.size()));
    setType(d, w, o.type);
    if (const char* startup = std::getenv("DESKTOP_STARTUP_ID"); startup && *startup) {
        XChangeProperty(d, w, XInternAtom(d, "_NET_STARTUP_ID", False), utf8, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(startup),
                        static_cast<int>(std::strlen(startup)));
    }
    if (o.transientFor != None) XSetTransientForHint(d, w, o.transientFor);
    if (o.setPid) {
        long pid = static_cast<long>(getpid());
        XChangeProperty(d, w, XInternAtom(d, "_NET_WM_PID", False), XA_CARDINAL, 32,
                        PropModeReplace, reinterpret_cast<unsigned char*>(&pid), 1);
    }
    Atom deleteWindow = XInternAtom(d, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(d, w, &deleteWindow, 1);

    XMapWindow(d, w);
    XFlush(d);
    long long reassertAt = -1;
    while (!stopRequested) {
        while (XPending(d)) {
            XEvent e;
            XNextEvent(d, &e);
            if (e.type == ClientMessage && static_cast<Atom>(e.xclient.data.l[0]) == deleteWindow) {
                stopRequested = 1;
            }
            if (e.type == MapNotify && o.reassertMs >= 0 && reassertAt == -1)
                reassertAt = nowMs() + o.reassertMs;
        }
        if (stopRequested) break;
        if (reassertAt >= 0 && nowMs() >= reassertAt) {
            XMoveResizeWindow(d, w, o.x, o.y, o.width, o.height);
            XFlush(d);
            reassertAt = -2;  // once
        }
        pollfd p{ConnectionNumber(d), POLLIN, 0};
        if (poll(&p, 1, reassertAt >= 0 ? 20 : 200) < 0 && errno != EINTR) break;
    }
    XDestroyWindow(d, w);
    XCloseDisplay(d);
    return 0;
}
