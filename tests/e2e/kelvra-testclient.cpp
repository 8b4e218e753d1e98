// A plain Xlib window for the end-to-end tests, made as a test needs it; it carries the
// startup id in DESKTOP_STARTUP_ID as toolkits do, and ends when it is closed.
//   kelvra-testclient --title T [--class Instance,Class] [--type normal|dialog|utility|...]
//       [--transient-for ID] [--geometry WxH+X+Y] [--increments WxH] [--base-size WxH]
//       [--strut-top H] [--icon-color RRGGBB]
// and, to behave like the applications people run:
//       [--min-size WxH] [--max-size WxH]  size limits in WM_NORMAL_HINTS
//       [--csd L,R,T,B]   draws its own decorations: no manager frame, a shadow of these
//                         widths around the visible part (_GTK_FRAME_EXTENTS)
//       [--late MS]       a slow application: answers the manager's sync requests and
//                         handles each configure MS milliseconds late
//       [--restore-geometry WxH+X+Y]  moves itself there once, right after it is mapped,
//                         as applications that restore their last session do
//       [--no-pid]        names no process (_NET_WM_PID)
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/sync.h>
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
    long shadow[4] = {-1, 0, 0, 0};  // client-side decorations: left, right, top, bottom
    int lateMs = 0;
    bool restore = false, withPid = true;
    int restoreX = 0, restoreY = 0;
    unsigned restoreWidth = 0, restoreHeight = 0;
    for (int i = 1; i < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--no-pid") {
            withPid = false;
            --i;
            continue;
        }
        if (i + 1 >= argc) break;
        const std::string value = argv[i + 1];
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
        } else if (arg == "--min-size") {
            std::sscanf(value.c_str(), "%dx%d", &hints.min_width, &hints.min_height);
            hints.flags |= PMinSize;
        } else if (arg == "--max-size") {
            std::sscanf(value.c_str(), "%dx%d", &hints.max_width, &hints.max_height);
            hints.flags |= PMaxSize;
        } else if (arg == "--csd") {
            std::sscanf(value.c_str(), "%ld,%ld,%ld,%ld", &shadow[0], &shadow[1], &shadow[2],
                        &shadow[3]);
        } else if (arg == "--late") {
            lateMs = std::stoi(value);
        } else if (arg == "--restore-geometry") {
            restore = true;
            XParseGeometry(value.c_str(), &restoreX, &restoreY, &restoreWidth, &restoreHeight);
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
    if (withPid) set(d, w, "_NET_WM_PID", "CARDINAL", &pid, 32, 1);
    if (shadow[0] >= 0) {
        // Motif hints: decorations given (flag 2) and none wanted.
        const long motif[5] = {2, 0, 0, 0, 0};
        set(d, w, "_MOTIF_WM_HINTS", "_MOTIF_WM_HINTS", motif, 32, 5);
        set(d, w, "_GTK_FRAME_EXTENTS", "CARDINAL", shadow, 32, 4);
    }
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
    Atom syncRequest = XInternAtom(d, "_NET_WM_SYNC_REQUEST", False);
    Atom protocols[2] = {deleteWindow, syncRequest};
    XSyncCounter counter = None;
    int syncEvent = 0, syncError = 0, major = 0, minor = 0;
    if (lateMs > 0 && XSyncQueryExtension(d, &syncEvent, &syncError) &&
        XSyncInitialize(d, &major, &minor)) {
        XSyncValue zero;
        XSyncIntToValue(&zero, 0);
        counter = XSyncCreateCounter(d, zero);
        const long id = long(counter);
        set(d, w, "_NET_WM_SYNC_REQUEST_COUNTER", "CARDINAL", &id, 32, 1);
    }
    XSetWMProtocols(d, w, protocols, counter != None ? 2 : 1);
    XSelectInput(d, w, StructureNotifyMask);
    XMapWindow(d, w);
    XSyncValue requested;
    bool syncPending = false;
    for (XEvent e;;) {
        XNextEvent(d, &e);
        if (e.type == ClientMessage && Atom(e.xclient.data.l[0]) == deleteWindow) break;
        if (e.type == ClientMessage && Atom(e.xclient.data.l[0]) == syncRequest) {
            XSyncIntsToValue(&requested, static_cast<unsigned>(e.xclient.data.l[2]),
                             static_cast<int>(e.xclient.data.l[3]));
            syncPending = true;
        } else if (e.type == ConfigureNotify && lateMs > 0) {
            // Busy elsewhere: the new size is taken (and told) only after a while.
            usleep(useconds_t(lateMs) * 1000);
            if (syncPending) XSyncSetCounter(d, counter, requested);
            syncPending = false;
            XFlush(d);
        } else if (e.type == MapNotify && restore) {
            restore = false;
            XMoveResizeWindow(d, w, restoreX, restoreY, restoreWidth, restoreHeight);
            XFlush(d);
        }
    }
    XCloseDisplay(d);
    return 0;
}
