#include "backends/BackendFactory.h"

#include <cstdlib>

#include "backends/x11/X11Backend.h"

namespace kelvra::backends {

namespace {

struct Candidate {
    const char* name;
    bool (*fits)(const Session&);
    std::unique_ptr<port::Backend> (*open)();
};

// A new desktop is one more line here, before the ones it should win over.
const Candidate candidates[] = {
    // XWayland counts too: the onboarding tells what a Wayland session leaves out.
    {"X11", [](const Session& s) { return !s.display.empty(); },
     []() -> std::unique_ptr<port::Backend> { return x11::X11Backend::open(); }},
};

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

}  // namespace

Session Session::current() {
    return {variable("DISPLAY"), variable("WAYLAND_DISPLAY")};
}

BackendChoice chooseBackend(const Session& session) {
    for (const auto& candidate : candidates) {
        if (candidate.fits(session)) return {candidate.name, "", candidate.open};
    }
    BackendChoice none;
    if (!session.waylandDisplay.empty()) {
        none.refusal =
            "this is a Wayland session without X11 ($DISPLAY is not set). Kelvra does not "
            "support Wayland yet: log in to an X11 session.";
    } else {
        none.refusal =
            "no X display ($DISPLAY is not set). Start Kelvra inside a graphical X11 session.";
    }
    return none;
}

}  // namespace kelvra::backends
