#pragma once

namespace kelvra::kwin {

// Puts the bridge script where KWin finds it for this user, when missing or of another
// version; enables it in kwinrc; and starts it in the running KWin when it is not
// running yet. Problems are logged: Kelvra then runs without arranging windows.
void installBridge();

// Stops the bridge in the running KWin, disables it and removes the user's copy.
// Returns the process's exit status, after telling on standard error what failed.
int removeBridge();

}  // namespace kelvra::kwin
