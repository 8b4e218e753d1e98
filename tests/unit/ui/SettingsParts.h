#pragma once

#include "base/Subscription.h"
#include "cloud/CloudAccount.h"
#include "cloud/CloudSync.h"
#include "input/KeyRecorder.h"
#include "l10n/L10n.h"
#include "settings/AppSettings.h"
#include "ui/SettingsServices.h"

namespace kelvra::test {

// What the settings window is handed beside the settings store, wired as the program
// wires it (the language follows the stored code). Made once the desktop is installed.
struct SettingsParts {
    explicit SettingsParts(AppSettings& store) : settings(store) {}

    SettingsServices services() { return {settings, l10n, recorder, account, sync}; }

    AppSettings& settings;
    L10n l10n;
    KeyRecorder recorder;
    CloudAccount account;
    CloudSync sync{settings, account};
    Subscription language = l10n.follow(settings.languageCode);
};

}  // namespace kelvra::test
