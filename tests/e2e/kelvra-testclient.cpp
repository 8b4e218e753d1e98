// A plain Xlib window for the end-to-end tests, made as a test needs it; it carries the
// startup id in DESKTOP_STARTUP_ID as toolkits do, and ends when it is closed.
//   kelvra-testclient --title T [--class Instance,Class] [--type normal|dialog|utility|...]
//       [--transient-for ID] [--geometry WxH+X+Y] [--increments WxH] [--base-size WxH]
//       [--strut-top H] [--icon-color RRGGBB]
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

void set(Display* d, Window w, const char* name, const char* type, const void* data, int format,
         int count) {
    XChangeProperty(d, w, XInternAtom(d, name, False), XInternAtom(d, type, False), format,
                    PropModeReplace, static_cast<const unsigned char*>(data), count);
}

}  // namespace

int main(int argc, char** argv) {
    std::string title = "kelvra-testclient", instance = title, windowClass = "Kelvra-testclient";
    std::string type = "normal";
    Window transientFor = None;
    XSizeHints hints{};
    hints.flags = PSize | USPosition | PPosition;
    int x = 200, y = 150;
    unsigned width = 400, height = 300;
    long iconColor = -1;  // an opaque square of this colour as _NET_WM_ICON
    long strut[12] = {};  // left, right, top, bottom, then where each runs along its edge
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i], value = argv[i + 1];
        if (arg == "--title") {
            title = value;
        } else if (arg == "--class") {
            instance = value.substr(0, value.find(','));
            windowClass = value.substr(value.find(',') + 1);
        } else if (arg == "--type") {
            type = value;
        } else if (arg == "--transient-for") {
            transientFor = std::strtoul(value.c_str(), nullptr, 0);
        } else if (arg == "--geometry") {
            XParseGeometry(value.c_str(), &x, &y, &width, &height);
        } else if (arg == "--increments") {
            std::sscanf(value.c_str(), "%dx%d", &hints.width_inc, &hints.height_inc);
        } else if (arg == "--strut-top") {
            strut[2] = std::stol(value);
        } else if (arg == "--icon-color") {
            iconColor = std::stol(value, nullptr, 16);
        } else if (arg == "--base-size") {
            std::sscanf(value.c_str(), "%dx%d", &hints.base_width, &hints.base_height);
        } else {
            std::fprintf(stderr, "kelvra-testclient: unknown option %s\n", arg.c_str());
            return 2;
        }
    }
    if (hints.width_inc || hints.height_inc) hints.flags |= PResizeInc;
    if (hints.base_width || hints.base_height) hints.flags |= PBaseSize;
    Display* d = XOpenDisplay(nullptr);
    if (!d) return 1;
    const int screen = DefaultScreen(d);
    Window w = XCreateSimpleWindow(d, RootWindow(d, screen), x, y, width, height, 0,
                                   BlackPixel(d, screen), WhitePixel(d, screen));
    XClassHint classHint{instance.data(), windowClass.data()};
    XSetWMProperties(d, w, nullptr, nullptr, argv, argc, &hints, nullptr, &classHint);
    XStoreName(d, w, title.c_str());
    set(d, w, "_NET_WM_NAME", "UTF8_STRING", title.data(), 8, int(title.size()));
    if (const char* startup = std::getenv("DESKTOP_STARTUP_ID"))
        set(d, w, "_NET_STARTUP_ID", "UTF8_STRING", startup, 8, int(std::strlen(startup)));
    for (char& c : type) c = static_cast<char>(std::toupper(c));
    const long typeAtom = long(XInternAtom(d, ("_NET_WM_WINDOW_TYPE_" + type).c_str(), False));
    const long pid = getpid();
    set(d, w, "_NET_WM_WINDOW_TYPE", "ATOM", &typeAtom, 32, 1);
    set(d, w, "_NET_WM_PID", "CARDINAL", &pid, 32, 1);
    if (iconColor >= 0) {
        // Two sizes, as applications give them: 16 and 32 pixels.
        std::vector<long> icon;
        for (long size : {16L, 32L}) {
            icon.push_back(size);
            icon.push_back(size);
            icon.insert(icon.end(), size_t(size * size), 0xff000000L | iconColor);
        }
        set(d, w, "_NET_WM_ICON", "CARDINAL", icon.data(), 32, int(icon.size()));
    }
    if (transientFor != None) XSetTransientForHint(d, w, transientFor);
    if (strut[2]) {
        strut[9] = x + long(width) - 1;
        set(d, w, "_NET_WM_STRUT_PARTIAL", "CARDINAL", strut, 32, 12);
        set(d, w, "_NET_WM_STRUT", "CARDINAL", strut, 32, 4);
    }
    Atom deleteWindow = XInternAtom(d, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(d, w, &deleteWindow, 1);
    XMapWindow(d, w);
    for (XEvent e;;) {
        XNextEvent(d, &e);
        if (e.type == ClientMessage && Atom(e.xclient.data.l[0]) == deleteWindow) break;
    }
    XCloseDisplay(d);
    return 0;
}
