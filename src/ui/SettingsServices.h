#pragma once

namespace kelvra {

class AppSettings;
class CloudAccount;
class CloudSync;
class KeyRecorder;
class L10n;
class ManagerSnappingConflict;
class UpdaterController;

// What the settings window shows and changes, handed over by the composition root.
struct SettingsServices {
    AppSettings& settings;
    L10n& l10n;
    KeyRecorder& recorder;
    CloudAccount& account;
    CloudSync& sync;
    // None where the build declares no update feed: the update rows do nothing.
    UpdaterController* updater = nullptr;
    // None where nothing watches the window manager's own edge snapping.
    ManagerSnappingConflict* managerSnapping = nullptr;
};

}  // namespace kelvra
