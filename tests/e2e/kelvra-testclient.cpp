// A plain Xlib client window for the end-to-end tests, made exactly as a test needs it:
//
//   kelvra-testclient --title T [--class Instance,Class] [--type normal|dialog|utility|
//       toolbar|splash] [--transient-for ID] [--geometry WxH+X+Y] [--increments WxH]
//       [--base-size WxH]
//
// It ends when its window is closed or on SIGTERM. A startup id in DESKTOP_STARTUP_ID is
// set on the window, as toolkits do.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void setText(Display* d, Window w, const char* name, const std::string& text) {
    XChangeProperty(d, w, XInternAtom(d, name, False), XInternAtom(d, "UTF8_STRING", False), 8,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(text.data()),
                    static_cast<int>(text.size()));
}

void setLong(Display* d, Window w, const char* name, Atom type, long value) {
    XChangeProperty(d, w, XInternAtom(d, name, False), type, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&value), 1);
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
            hints.flags |= PResizeInc;
            std::sscanf(value.c_str(), "%dx%d", &hints.width_inc, &hints.height_inc);
        } else if (arg == "--base-size") {
            hints.flags |= PBaseSize;
            std::sscanf(value.c_str(), "%dx%d", &hints.base_width, &hints.base_height);
        } else {
            std::fprintf(stderr, "kelvra-testclient: unknown option %s\n", arg.c_str());
            return 2;
        }
    }
    Display* d = XOpenDisplay(nullptr);
    if (!d) return 1;
    const int screen = DefaultScreen(d);
    Window w = XCreateSimpleWindow(d, RootWindow(d, screen), x, y, width, height, 0,
                                   BlackPixel(d, screen), WhitePixel(d, screen));
    hints.x = x;
    hints.y = y;
    hints.width = static_cast<int>(width);
    hints.height = static_cast<int>(height);
    XClassHint classHint{instance.data(), windowClass.data()};
    XTextProperty name;
    char* titleText = title.data();
    XStringListToTextProperty(&titleText, 1, &name);
    XSetWMProperties(d, w, &name, &name, argv, argc, &hints, nullptr, &classHint);
    XFree(name.value);
    setText(d, w, "_NET_WM_NAME", title);
    if (const char* startup = std::getenv("DESKTOP_STARTUP_ID"); startup && *startup)
        setText(d, w, "_NET_STARTUP_ID", startup);
    std::string typeName = "_NET_WM_WINDOW_TYPE_";
    for (char c : type) typeName += static_cast<char>(std::toupper(c));
    setLong(d, w, "_NET_WM_WINDOW_TYPE", XA_ATOM, long(XInternAtom(d, typeName.c_str(), False)));
    setLong(d, w, "_NET_WM_PID", XA_CARDINAL, getpid());
    if (transientFor != None) XSetTransientForHint(d, w, transientFor);
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
