// kelvra-keys: drives an X display the way a person would, for the desktop tour and the
// end-to-end tests. Key presses and pointer drags go through XTest, so every client sees
// them exactly as real input.
//
//   kelvra-keys key ctrl+alt+Left [more combinations...]
//   kelvra-keys drag X1 Y1 X2 Y2 [steps]
//   kelvra-keys frames                  one line per managed window: id x y w h title
//   kelvra-keys wait-window TITLE [seconds]

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

void pause(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

int usage() {
    std::fputs(
        "usage: kelvra-keys key COMBO... | drag X1 Y1 X2 Y2 [STEPS] | down X Y |"
        " move-to X Y [STEPS] | up | click X Y | frames | wait-window TITLE [SECONDS] |"
        " icon-of PID\n",
        stderr);
    return 2;
}

bool pressCombo(Display* d, const std::string& combo) {
    std::vector<KeyCode> codes;
    std::stringstream parts(combo);
    std::string part;
    while (std::getline(parts, part, '+')) {
        std::string name = part;
        if (part == "ctrl" || part == "control") name = "Control_L";
        if (part == "alt" || part == "option") name = "Alt_L";
        if (part == "shift") name = "Shift_L";
        if (part == "super" || part == "command") name = "Super_L";
        const KeySym sym = XStringToKeysym(name.c_str());
        const KeyCode code = sym == NoSymbol ? 0 : XKeysymToKeycode(d, sym);
        if (code == 0) {
            std::fprintf(stderr, "kelvra-keys: unknown key \"%s\"\n", part.c_str());
            return false;
        }
        codes.push_back(code);
    }
    for (KeyCode c : codes) XTestFakeKeyEvent(d, c, True, CurrentTime);
    for (auto it = codes.rbegin(); it != codes.rend(); ++it) {
        XTestFakeKeyEvent(d, *it, False, CurrentTime);
    }
    XSync(d, False);
    return true;
}

void drag(Display* d, int x1, int y1, int x2, int y2, int steps) {
    XTestFakeMotionEvent(d, -1, x1, y1, CurrentTime);
    XSync(d, False);
    pause(50);
    XTestFakeButtonEvent(d, 1, True, CurrentTime);
    XSync(d, False);
    // Real drags arrive as many small movements; window managers and Kelvra both
    // react to the way there, not only to the end point.
    for (int i = 1; i <= steps; ++i) {
        XTestFakeMotionEvent(d, -1, x1 + (x2 - x1) * i / steps, y1 + (y2 - y1) * i / steps,
                             CurrentTime);
        XSync(d, False);
        pause(20);
    }
    pause(400);  // longer than the dwell before a preview shows
    XTestFakeMotionEvent(d, -1, x2, y2, CurrentTime);
    XSync(d, False);
    pause(50);
    XTestFakeButtonEvent(d, 1, False, CurrentTime);
    XSync(d, False);
}

void moveTo(Display* d, int x, int y, int steps) {
    Window root = None, child = None;
    int fromX = 0, fromY = 0, winX = 0, winY = 0;
    unsigned int mask = 0;
    XQueryPointer(d, DefaultRootWindow(d), &root, &child, &fromX, &fromY, &winX, &winY, &mask);
    for (int i = 1; i <= steps; ++i) {
        XTestFakeMotionEvent(d, -1, fromX + (x - fromX) * i / steps,
                             fromY + (y - fromY) * i / steps, CurrentTime);
        XSync(d, False);
        pause(20);
    }
}

void button(Display* d, bool down) {
    XTestFakeButtonEvent(d, 1, down ? True : False, CurrentTime);
    XSync(d, False);
}

// The centre of a small viewable window of the process (its tray icon), anywhere in the
// window tree: an embedded icon is no top-level window.
bool iconOf(Display* d, Window parent, unsigned long pid) {
    Window root = None, up = None, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(d, parent, &root, &up, &children, &count)) return false;
    Atom pidAtom = XInternAtom(d, "_NET_WM_PID", False);
    bool found = false;
    for (unsigned int i = 0; i < count && !found; ++i) {
        Window w = children[i];
        XWindowAttributes attrs;
        if (!XGetWindowAttributes(d, w, &attrs) || attrs.map_state != IsViewable) continue;
        Atom type;
        int format;
        unsigned long n = 0, after = 0;
        unsigned char* data = nullptr;
        if (attrs.width <= 64 && attrs.height <= 64 &&
            XGetWindowProperty(d, w, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &n, &after,
                               &data) == Success &&
            data && n == 1 && *reinterpret_cast<unsigned long*>(data) == pid) {
            int x = 0, y = 0;
            Window child;
            XTranslateCoordinates(d, w, DefaultRootWindow(d), attrs.width / 2, attrs.height / 2, &x,
                                  &y, &child);
            std::printf("%d %d\n", x, y);
            found = true;
        }
        if (data) XFree(data);
        if (!found) found = iconOf(d, w, pid);
    }
    if (children) XFree(children);
    return found;
}

std::vector<Window> clients(Display* d) {
    Atom list = XInternAtom(d, "_NET_CLIENT_LIST", False);
    Atom type;
    int format;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<Window> out;
    if (XGetWindowProperty(d, DefaultRootWindow(d), list, 0, 4096, False, XA_WINDOW, &type, &format,
                           &count, &after, &data) == Success &&
        data && format == 32) {
        auto* ids = reinterpret_cast<unsigned long*>(data);
        out.assign(ids, ids + count);
    }
    if (data) XFree(data);
    return out;
}

std::string title(Display* d, Window w) {
    Atom netName = XInternAtom(d, "_NET_WM_NAME", False);
    Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
    Atom type;
    int format;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string out;
    if (XGetWindowProperty(d, w, netName, 0, 1024, False, utf8, &type, &format, &count, &after,
                           &data) == Success &&
        data) {
        out.assign(reinterpret_cast<char*>(data), count);
    }
    if (data) XFree(data);
    if (out.empty()) {
        char* name = nullptr;
        if (XFetchName(d, w, &name) && name) {
            out = name;
            XFree(name);
        }
    }
    return out;
}

bool frames(Display* d, const std::string* only, bool print) {
    bool found = false;
    for (Window w : clients(d)) {
        XWindowAttributes attrs;
        if (!XGetWindowAttributes(d, w, &attrs)) continue;
        int x = 0, y = 0;
        Window child;
        XTranslateCoordinates(d, w, DefaultRootWindow(d), 0, 0, &x, &y, &child);
        const std::string name = title(d, w);
        if (only && name != *only) continue;
        found = true;
        if (print) {
            std::printf("0x%lx %d %d %d %d %s\n", w, x, y, attrs.width, attrs.height, name.c_str());
        }
    }
    return found;
}

int ignoreErrors(Display*, XErrorEvent*) {
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    Display* d = XOpenDisplay(nullptr);
    if (!d) {
        std::fputs("kelvra-keys: cannot open the display\n", stderr);
        return 1;
    }
    // Windows may vanish while we look at them.
    XSetErrorHandler(ignoreErrors);
    const std::string command = argv[1];
    int rc = 0;
    if (command == "key" && argc >= 3) {
        for (int i = 2; i < argc && rc == 0; ++i) {
            if (!pressCombo(d, argv[i])) rc = 1;
            pause(100);
        }
    } else if (command == "drag" && (argc == 6 || argc == 7)) {
        drag(d, std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]),
             argc == 7 ? std::max(1, std::atoi(argv[6])) : 20);
    } else if (command == "down" && argc == 4) {
        XTestFakeMotionEvent(d, -1, std::atoi(argv[2]), std::atoi(argv[3]), CurrentTime);
        XSync(d, False);
        pause(50);
        button(d, true);
    } else if (command == "move-to" && (argc == 4 || argc == 5)) {
        moveTo(d, std::atoi(argv[2]), std::atoi(argv[3]),
               argc == 5 ? std::max(1, std::atoi(argv[4])) : 20);
    } else if (command == "up" && argc == 2) {
        button(d, false);
    } else if (command == "click" && argc == 4) {
        XTestFakeMotionEvent(d, -1, std::atoi(argv[2]), std::atoi(argv[3]), CurrentTime);
        XSync(d, False);
        pause(50);
        button(d, true);
        button(d, false);
    } else if (command == "icon-of" && argc == 3) {
        rc = iconOf(d, DefaultRootWindow(d), std::strtoul(argv[2], nullptr, 10)) ? 0 : 1;
    } else if (command == "frames" && argc == 2) {
        frames(d, nullptr, true);
    } else if (command == "wait-window" && (argc == 3 || argc == 4)) {
        const std::string name = argv[2];
        const int tenths = (argc == 4 ? std::atoi(argv[3]) : 10) * 10;
        rc = 1;
        for (int i = 0; i < tenths && rc != 0; ++i) {
            if (frames(d, &name, false))
                rc = 0;
            else
                pause(100);
        }
    } else {
        rc = usage();
    }
    XCloseDisplay(d);
    return rc;
}
