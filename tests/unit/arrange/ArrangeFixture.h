#pragma once

#include "unit/EngineDesktop.h"

namespace kelvra::test {

// The engine's desktop, with applications made by identifier.
class ArrangeTest : public EngineDesktopTest {
  protected:
    int32_t app(const std::string& id) { return desktop.addApp({id, id + " App"}); }
    WindowHandle window(int32_t pid, const Rect& frame,
                        std::optional<std::string> title = "Untitled") {
        return *WindowHandle::make(
            desktop.addWindow(pid, {.frame = frame, .title = std::move(title)}));
    }
};

}  // namespace kelvra::test
