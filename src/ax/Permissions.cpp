#include "ax/AXWindow.h"
#include "platform/port/Platform.h"

namespace kelvra::Permissions {

namespace {
// Only for this run: the system shows its prompt once per process anyway.
bool promptedThisLaunch = false;
}  // namespace

void requestOrOpenSettings() {
    auto& ax = *platform().accessibility;
    if (ax.isProcessTrusted()) return;
    if (!promptedThisLaunch) {
        promptedThisLaunch = true;
        ax.promptForTrust();
    } else {
        // A second prompt would not appear, so lead the user to the switch instead.
        ax.openPermissionSettings();
    }
}

bool didPromptThisLaunch() {
    return promptedThisLaunch;
}

void resetForTesting() {
    promptedThisLaunch = false;
}

}  // namespace kelvra::Permissions
