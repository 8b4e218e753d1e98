#pragma once

#include "port/Alerts.h"
#include "port/Applications.h"
#include "port/Backend.h"
#include "port/Browser.h"
#include "port/BuildInfo.h"
#include "port/HotKeys.h"
#include "port/Http.h"
#include "port/KeyMonitor.h"
#include "port/KeyboardLayout.h"
#include "port/Locale.h"
#include "port/Log.h"
#include "port/LoginItems.h"
#include "port/ManagerSnapping.h"
#include "port/MouseEvents.h"
#include "port/Notifications.h"
#include "port/Processes.h"
#include "port/RunLoop.h"
#include "port/Screens.h"
#include "port/Secrets.h"
#include "port/Surfaces.h"
#include "port/UserDefaults.h"
#include "port/Windows.h"

namespace kelvra {

// The platform services the program runs on. One set is installed per process
// (the real desktop, or a simulated desktop in tests); components reach it through
// platform(). None of the pointers may be null once installed.
struct Platform {
    port::Backend* backend = nullptr;
    port::Windows* windows = nullptr;
    port::Screens* screens = nullptr;
    port::Applications* applications = nullptr;
    port::RunLoop* runLoop = nullptr;
    port::Alerts* alerts = nullptr;
    port::Log* log = nullptr;
    port::UserDefaults* defaults = nullptr;
    port::HotKeys* hotKeys = nullptr;
    port::KeyboardLayout* keyboardLayout = nullptr;
    port::KeyMonitor* keyMonitor = nullptr;
    port::MouseEvents* mouseEvents = nullptr;
    port::LoginItems* loginItems = nullptr;
    const port::BuildInfo* buildInfo = nullptr;
    port::Locale* locale = nullptr;
    port::Surfaces* surfaces = nullptr;
    port::Http* http = nullptr;
    port::Secrets* secrets = nullptr;
    port::Browser* browser = nullptr;
    // A desktop whose manager does not snap at edges may leave this one.
    port::ManagerSnapping* managerSnapping = &noManagerSnapping;
    // Where no notification server runs, or processes cannot be listed, these stay.
    port::Notifications* notifications = &noNotifications;
    port::Processes* processes = &noProcesses;

    static inline port::NoManagerSnapping noManagerSnapping;
    static inline port::NoNotifications noNotifications;
    static inline port::NoProcesses noProcesses;
};

// The installed platform. Aborts with a message when none is installed.
Platform& platform();
void installPlatform(const Platform& p);
void uninstallPlatform();

// Writes "Kelvra: " + text to the platform log.
void logLine(const std::string& text);

}  // namespace kelvra
