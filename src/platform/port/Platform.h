#pragma once

#include "platform/port/Alerts.h"
#include "platform/port/Applications.h"
#include "platform/port/Browser.h"
#include "platform/port/BundleInfo.h"
#include "platform/port/HotKeys.h"
#include "platform/port/Http.h"
#include "platform/port/KeyMonitor.h"
#include "platform/port/KeyboardLayout.h"
#include "platform/port/Locale.h"
#include "platform/port/Log.h"
#include "platform/port/LoginItems.h"
#include "platform/port/MouseEvents.h"
#include "platform/port/RunLoop.h"
#include "platform/port/Screens.h"
#include "platform/port/Secrets.h"
#include "platform/port/Surfaces.h"
#include "platform/port/UserDefaults.h"
#include "platform/port/Windows.h"

namespace kelvra {

// The platform services the program runs on. One set is installed per process
// (the real desktop, or a simulated desktop in tests); components reach it through
// platform(). None of the pointers may be null once installed.
struct Platform {
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
    port::BundleInfo* bundleInfo = nullptr;
    port::Locale* locale = nullptr;
    port::Surfaces* surfaces = nullptr;
    port::Http* http = nullptr;
    port::Secrets* secrets = nullptr;
    port::Browser* browser = nullptr;
};

// The installed platform. Aborts with a message when none is installed.
Platform& platform();
void installPlatform(const Platform& p);
void uninstallPlatform();

// Writes "Kelvra: " + text to the platform log.
void logLine(const std::string& text);

}  // namespace kelvra
