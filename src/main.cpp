// The process entry: picks the desktop backend for the session, makes this the one
// instance of the session, installs the real platform, and runs the application
// delegate on Qt's event loop.

#include <QApplication>
#include <QStringList>
#include <QTimer>

#include "backends/qt/DBusNotifications.h"
#include "backends/qt/QtAlerts.h"
#include "backends/qt/QtKeyMonitor.h"
#include "backends/qt/QtRunLoop.h"
#include "backends/qt/SingleInstance.h"
#include "backends/qt/StderrLog.h"
#include "backends/qt/ToolkitTranslations.h"
#include "backends/qt/UnixSignals.h"
#include "backends/qt/views/QtSurfaces.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/AppDelegate.h"
#include "app/ProcessEntry.h"
#include "backends/BackendFactory.h"
#include "backends/crash/CrashHandler.h"
#include "backends/crash/DwSymbolizer.h"
#include "backends/gnome/GnomeBridgeInstaller.h"
#include "backends/kwin/BridgeInstaller.h"
#include "backends/net/CurlHttp.h"
#include "backends/qt/CompiledBuildInfo.h"
#include "backends/wayland/CompositorRestart.h"
#include "backends/xdg/EnvLocale.h"
#include "backends/xdg/JsonDefaultsDomain.h"
#include "backends/xdg/ProcfsProcesses.h"
#include "backends/xdg/SecretServiceStore.h"
#include "backends/xdg/XdgAutostart.h"
#include "backends/xdg/XdgBrowser.h"
#include "diagnostics/CrashReporter.h"
#include "diagnostics/UpdaterController.h"
#include "port/Platform.h"

namespace {

constexpr const char* appId = "com.orvane.Kelvra";

void fail(const std::string& message) {
    std::fprintf(stderr, "Kelvra: %s\n", message.c_str());
}

std::string relaunchPath;
char** relaunchArguments = nullptr;

void relaunch() {
    execv(relaunchPath.c_str(), relaunchArguments);
    fail("cannot start the updated program: " + std::string(std::strerror(errno)));
}

}  // namespace

int main(int argc, char** argv) {
    using namespace kelvra;

    const port::BuildInfo buildInfo = qt::compiledBuildInfo();
    {
        auto answer = ProcessEntry::readCommandLine({argv + 1, argv + argc}, buildInfo.version);
        std::fputs(answer.out.c_str(), stdout);
        std::fputs(answer.error.c_str(), stderr);
        if (answer.removeDesktopBridge) {
            // The bus and file helpers are the toolkit's.
            QCoreApplication app(argc, argv);
            // Both desktops' bridges: the user may have logged in to either.
            const int kwinStatus = kwin::removeBridge();
            return gnome::removeBridge() != 0 ? 1 : kwinStatus;
        }
        if (!answer.run) return answer.exitCode;
    }
    // Before anything is written: a start without a desktop leaves nothing behind.
    auto session = backends::Session::current();
    // Started again after the compositor restarted: its socket answers a moment before its
    // bus does.
    if (wayland::startedAfterCompositorRestart()) wayland::awaitAnsweringCompositor();
    for (int i = 0; wayland::startedAfterCompositorRestart() && !session.kwinOnBus &&
                    !session.gnomeShellOnBus && i < 300;
         ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        session = backends::Session::current();
    }
    auto choice = backends::chooseBackend(session);
    if (!choice) {
        fail(choice.refusal);
        return 1;
    }
    // First of all, so that even a crash during start-up leaves a record.
    std::string crashHandlerError;
    auto crashFolder = crash::defaultCrashFolder();
    if (!crash::installCrashHandler(crashFolder, buildInfo.version, buildInfo.buildNumber,
                                    crashHandlerError)) {
        crashFolder.clear();
    }
    qt::UnixSignals::ignoreBrokenPipes();
    // Before the toolkit starts: the backend tells it where the program's windows go.
    auto backend = choice.open();
    // The backend has said why it could not open.
    if (!backend) return 1;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kelvra"));
    QApplication::setDesktopFileName(QStringLiteral("kelvra"));
    // A status-area utility: it has no main window, and closing a settings window must
    // not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    qt::SingleInstance instance;
    if (!instance.warning().isEmpty()) fail(instance.warning().toStdString());
    switch (instance.claim(arguments)) {
        case qt::SingleInstance::Role::secondary:
            return 0;
        case qt::SingleInstance::Role::failed:
            fail(instance.error().toStdString());
            return 1;
        case qt::SingleInstance::Role::primary:
            break;
    }
    if (choice.name == backends::kdePlasmaWayland || choice.name == backends::gnomeWayland)
        wayland::restartAfterCompositorRestarts(argv);

    qt::StderrLog log;
    qt::QtRunLoop runLoop;
    qt::QtAlerts alerts;
    qt::DBusNotifications notifications;
    xdg::ProcfsProcesses processes;
    xdg::JsonDefaultsDomain defaults(xdg::JsonDefaultsDomain::standardFile(appId));
    xdg::XdgAutostart loginItems;
    xdg::EnvLocale locale;
    net::CurlHttp http(runLoop);
    xdg::SecretServiceStore secrets;
    xdg::XdgBrowser browser;
    Platform platform;
    platform.runLoop = &runLoop;
    platform.alerts = &alerts;
    platform.notifications = &notifications;
    platform.processes = &processes;
    platform.log = &log;
    platform.defaults = &defaults;
    platform.loginItems = &loginItems;
    platform.buildInfo = &buildInfo;
    platform.locale = &locale;
    platform.http = &http;
    platform.secrets = &secrets;
    platform.browser = &browser;
    // The backend posts to the run loop from its first request on, so the services it
    // builds on are there before it is created; the full set follows.
    installPlatform(platform);

    backend->provide(platform);
    // The program's own windows, and key presses to them, are the toolkit's on every
    // desktop, built on the backend's window system (but what the desktop draws itself).
    port::WindowSystem& windowSystem = *backend->windowSystem();
    qt::QtKeyMonitor keyMonitor(&windowSystem);
    views::QtSurfaces surfaces(windowSystem, backend->ownSurfaces());
    platform.keyMonitor = &keyMonitor;
    platform.surfaces = &surfaces;
    installPlatform(platform);

    if (!instance.error().isEmpty()) logLine(instance.error().toStdString());
    if (!crashHandlerError.empty()) logLine("no crash records: " + crashHandlerError);

    ProcessEntry::prepareLanguage();
    qt::ToolkitTranslations toolkitTranslations;

    int exitCode = 0;
    {
        AppDelegate delegate;
        if (!crashFolder.empty()) {
            auto& reporter = delegate.components().crashReporter();
            reporter.setCrashFolder(crashFolder);
            auto symbolizer = std::make_shared<crash::DwSymbolizer>();
            reporter.setSymbolizer(
                [symbolizer](const CrashFrame& frame) { return (*symbolizer)(frame); });
        }
        bool terminated = false;
        auto terminate = [&] {
            if (terminated) return;
            terminated = true;
            delegate.shutdown();
        };
        QObject::connect(&app, &QCoreApplication::aboutToQuit, terminate);
        // exit, not quit: the toolkit's quit first closes every window and gives up when one
        // refuses, as the settings and onboarding windows do (they only hide).
        qt::UnixSignals quitOnSignal([](int) { QCoreApplication::exit(0); });
        if (!quitOnSignal.active())
            logLine("cannot watch SIGINT, SIGTERM and SIGHUP; they end Kelvra abruptly");

        auto deliverUrls = [&delegate](const QStringList& args) {
            for (const auto& url : qt::SingleInstance::urlsIn(args)) {
                delegate.openUrl(url.toStdString());
            }
            std::vector<std::string> list;
            for (const auto& a : args) list.push_back(a.toStdString());
            return list;
        };
        instance.onArguments = [&](const QStringList& args) {
            delegate.handleLaterStart(deliverUrls(args));
        };
        // Finishing the launch happens once the event loop runs, as the delegate
        // expects; a URL on our own command line arrives after it, like a later one.
        QTimer::singleShot(0, &app, [&] {
            delegate.start();
            delegate.handleArguments(deliverUrls(arguments));
            // The toolkit's plugins are loaded by now.
            crash::refreshModules();
#ifdef KELVRA_CRASH_SWITCH
            crash::crashIfAsked();
#endif
        });
        exitCode = QApplication::exec();
        terminate();
        instance.onArguments = nullptr;
        if (auto* updater = delegate.components().updater()) relaunchPath = updater->relaunchPath();
    }
    uninstallPlatform();
    // The desktop's ports read from the toolkit's event loop: they go while it is there.
    backend.reset();
    // An installed update asked to restart: once everything here is torn down (the
    // single-instance lock included), the new file takes this process's place.
    if (!relaunchPath.empty()) {
        relaunchArguments = argv;
        std::atexit(relaunch);
    }
    return exitCode;
}
