#include "port/Platform.h"
#include "window/WindowHandle.h"

namespace kelvra::Permissions {

namespace {
// Only for this run: the system shows its prompt once per process anyway.
bool promptedThisLaunch = false;
}  // namespace

bool isGranted() {
    auto& windows = *platform().windows;
    return !windows.capabilities().needsPermission || windows.canControlWindows();
}

void requestOrOpenSettings() {
    if (isGranted()) return;
    auto& windows = *platform().windows;
    if (!promptedThisLaunch) {
        promptedThisLaunch = true;
        windows.promptForTrust();
    } else {
        // A second prompt would not appear, so lead the user to the switch instead.
        windows.openPermissionSettings();
    }
}

bool didPromptThisLaunch() {
    return promptedThisLaunch;
}

void resetForTesting() {
    promptedThisLaunch = false;
}

}  // namespace kelvra::Permissions
