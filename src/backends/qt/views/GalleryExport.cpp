// Writes every tab of the settings window and every page of the welcome window, in the
// languages given, to PNG files: the screenshot gallery of the documentation. Runs on
// the simulated desktop (with sample records) and Qt's offscreen platform, so it needs
// no display and touches no settings of the user.
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPixmap>
#include <cstdio>
#include <string>

#include "backends/qt/views/OnboardingWindow.h"
#include "backends/qt/views/SettingsWindow.h"
#include "backends/sim/SimDesktop.h"
#include "cloud/CloudAccount.h"
#include "cloud/CloudSync.h"
#include "input/KeyRecorder.h"
#include "l10n/L10n.h"
#include "settings/AppSettings.h"
#include "settings/CustomLayout.h"
#include "ui/OnboardingController.h"
#include "ui/SettingsWindowController.h"

using namespace kelvra;

namespace {

void sampleRecords(AppSettings& s) {
    CustomLayout layout{Uuid::random(), "Coding", 4, 2, {{0, 0, 2, 2}, {2, 0, 2, 1}, {2, 1, 2, 1}}};
    s.customLayouts.set({layout});
    WorkspaceItem item;
    item.appId = "org.gnome.TextEditor";
    item.appName = "Text Editor";
    item.w = 720, item.h = 900;
    WorkspaceItem beside = item;
    beside.x = 720;
    s.workspaces.set({{Uuid::random(), "Writing", {item, beside}}});
    PlacementRule rule;
    rule.id = Uuid::random();
    rule.appId = "firefox";
    rule.appName = "Firefox";
    rule.zone = ZoneID::rightTwoThirds;
    s.placementRules.set({rule});
    s.excludedApps.set({{"org.gnome.Calculator", "Calculator"}});
}

bool save(QWidget& w, const QString& path) {
    w.ensurePolished();
    w.show();
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
    const bool ok = w.grab().toImage().save(path);
    if (!ok) std::fprintf(stderr, "could not write %s\n", qPrintable(path));
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR LANGUAGE...\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);

    sim::SimDesktop desk;
    desk.install();
    desk.setNeedsPermission(false);
    AppSettings settings(desk.defaults());
    sampleRecords(settings);
    L10n l10n;
    Subscription language = l10n.follow(settings.languageCode);
    KeyRecorder recorder;
    CloudAccount account;
    CloudSync sync(settings, account);
    bool ok = true;
    for (int i = 2; i < argc; ++i) {
        const std::string language = argv[i];
        settings.languageCode.set(language);
        const QString prefix = out + "/" + QString::fromStdString(language) + "-";

        SettingsWindowController controller({settings, l10n, recorder, account, sync});
        views::SettingsWindow window({});
        for (SettingsTab tab : allSettingsTabs()) {
            controller.select(tab);
            window.setModel(controller.model());
            ok &= save(window,
                       prefix + "settings-" + QString::fromUtf8(rawValue(tab).data()) + ".png");
        }

        views::OnboardingWindow welcome({});
        OnboardingController onboarding(settings, l10n);
        desk.setHasWindowManager(true);
        onboarding.show();
        welcome.setModel(onboarding.model());
        ok &= save(welcome, prefix + "onboarding-1-welcome.png");
        desk.setHasWindowManager(false);
        onboarding.choose("continue");
        welcome.setModel(onboarding.model());
        ok &= save(welcome, prefix + "onboarding-2-check.png");
        onboarding.choose("continueAnyway");
        welcome.setModel(onboarding.model());
        ok &= save(welcome, prefix + "onboarding-3-start.png");
    }
    return ok ? 0 : 1;
}
