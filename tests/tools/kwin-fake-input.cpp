// Real input for end-to-end tests on a headless KWin: pointer and keys through KWin's
// fake-input protocol, the way a physical device's events arrive. Reads one command per
// line on stdin and answers "ok" once the compositor has processed it (a display round
// trip), so a test knows the event is in before it looks:
//   move X Y        pointer to an absolute position (logical coordinates)
//   button 1|0      left button down / up
//   key CODE 1|0    evdev key code down / up (Ctrl 29, Alt 56, Super 125, Left 105...)
// KWin lets only a program named by a desktop file with
// X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input use the protocol.
#include <cstdio>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>

#include <wayland-client.h>

#include "fake-input-client-protocol.h"

namespace {

constexpr uint32_t buttonLeft = 0x110;

struct Globals {
    org_kde_kwin_fake_input* fakeInput = nullptr;
    uint32_t version = 0;
};

void onGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface,
              uint32_t version) {
    auto* globals = static_cast<Globals*>(data);
    if (std::strcmp(interface, org_kde_kwin_fake_input_interface.name) != 0) return;
    globals->version = version < 4 ? version : 4;
    globals->fakeInput = static_cast<org_kde_kwin_fake_input*>(
        wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, globals->version));
}

void onGlobalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener registryListener{onGlobal, onGlobalRemove};

bool run(const std::string& line, const Globals& globals) {
    std::istringstream words(line);
    std::string verb;
    words >> verb;
    if (verb == "move") {
        double x = 0, y = 0;
        if (!(words >> x >> y) || globals.version < 3) return false;
        org_kde_kwin_fake_input_pointer_motion_absolute(globals.fakeInput, wl_fixed_from_double(x),
                                                        wl_fixed_from_double(y));
        return true;
    }
    if (verb == "button") {
        int down = 0;
        if (!(words >> down)) return false;
        org_kde_kwin_fake_input_button(globals.fakeInput, buttonLeft, down ? 1 : 0);
        return true;
    }
    if (verb == "key") {
        uint32_t code = 0;
        int down = 0;
        if (!(words >> code >> down) || globals.version < 4) return false;
        org_kde_kwin_fake_input_keyboard_key(globals.fakeInput, code, down ? 1 : 0);
        return true;
    }
    return false;
}

}  // namespace

int main() {
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        std::fprintf(stderr, "kwin-fake-input: no Wayland display\n");
        return 1;
    }
    Globals globals;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, &globals);
    wl_display_roundtrip(display);
    if (!globals.fakeInput) {
        std::fprintf(stderr, "kwin-fake-input: the compositor offers no fake input\n");
        return 1;
    }
    org_kde_kwin_fake_input_authenticate(globals.fakeInput, "Kelvra tests",
                                         "end-to-end tests drive the pointer and keys");
    std::string line;
    while (std::getline(std::cin, line)) {
        if (line.empty()) continue;
        const bool understood = run(line, globals);
        if (wl_display_roundtrip(display) < 0) {
            std::fprintf(stderr, "kwin-fake-input: the compositor closed the connection\n");
            return 1;
        }
        std::cout << (understood ? "ok" : "error") << std::endl;
    }
    wl_display_disconnect(display);
    return 0;
}
