// Writes every tab of the settings window and every page of the welcome window, in the
// languages given, to PNG files: the screenshot gallery of the documentation. Runs on
// the simulated desktop (with sample records) and Qt's offscreen platform, so it needs
// no display and touches no settings of the user. Fails when a text does not fit its
// widget in some language.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPixmap>
#include <cstdio>
#include <string>

#include "app/TrayController.h"
#include "backends/qt/views/OnboardingWindow.h"
#include "backends/qt/views/SettingsWindow.h"
#include "backends/qt/views/TraySurface.h"
#include "backends/qt/views/ZonePickerWidget.h"
#include "backends/sim/SimDesktop.h"
#include "backends/sim/SimSurfaces.h"
#include "cloud/CloudAccount.h"
#include "cloud/CloudSync.h"
#include "input/KeyRecorder.h"
#include "input/ZonePickerController.h"
#include "l10n/L10n.h"
#include "settings/AppSettings.h"
#include "settings/CustomLayout.h"
#include "ui/OnboardingController.h"
#include "ui/SettingsWindowController.h"

using namespace kelvra;

namespace {

// The tray's menu needs a window system only to type its windows as menus; offscreen
// there is none to tell.
class NoWindowSystem final : public port::WindowSystem {
  public:
    Point toPort(Point native) override { return native; }
    Point toNative(Point port) override { return port; }
    Rect toNative(const Rect& port) override { return port; }
    bool nativeIsLogical() const override { return false; }
    bool compositingManagerRunning() override { return false; }
    void markAsPopupMenu(port::NativeWindow) override {}
    void activate(port::NativeWindow) override {}
    std::unique_ptr<port::InputWatch> watchInput(bool) override { return nullptr; }
    std::unique_ptr<port::KeyboardGrab> grabKeyboard(port::NativeWindow) override {
        return nullptr;
    }
    std::optional<uint16_t> virtualKeyForScanCode(uint32_t) const override { return std::nullopt; }
};

// The model the core last gave a surface of this kind.
template <typename Model>
Model shownModel(sim::SimDesktop& desk, port::SurfaceKind kind) {
    auto state = desk.surfaces().find(kind);
    return state ? std::get<Model>(state->model) : Model{};
}

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

// The texts of a shown window that its widgets cut or elide: a label wider (or, wrapped,
// taller) than its place, a button or choice narrower than its text, a list whose
// longest item does not fit.
QStringList clippedTexts(const QWidget& window) {
    QStringList clipped;
    for (const auto* label : window.findChildren<QLabel*>()) {
        if (!label->isVisible() || label->text().isEmpty()) continue;
        const bool fits = label->wordWrap()
                              ? label->heightForWidth(label->width()) <= label->height()
                              : label->minimumSizeHint().width() <= label->width();
        if (!fits) clipped << label->text();
    }
    for (const auto* button : window.findChildren<QAbstractButton*>()) {
        if (!button->isVisible() || button->text().isEmpty()) continue;
        // The text and icon against the button's width: small symbol buttons ("+") may
        // give up the style's padding, not their text.
        const int icon = button->icon().isNull() ? 0 : button->iconSize().width() + 4;
        if (button->fontMetrics().horizontalAdvance(button->text()) + icon > button->width())
            clipped << button->text();
    }
    for (const auto* combo : window.findChildren<QComboBox*>()) {
        if (combo->isVisible() && combo->sizeHint().width() > combo->width())
            clipped << combo->currentText();
    }
    for (const auto* list : window.findChildren<QListWidget*>()) {
        if (!list->isVisible()) continue;
        for (int i = 0; i < list->count(); ++i) {
            const auto* item = list->item(i);
            const int needed =
                list->iconSize().width() + 12 + list->fontMetrics().horizontalAdvance(item->text());
            if (!item->text().isEmpty() && needed > list->viewport()->width())
                clipped << item->text();
        }
    }
    // A menu is as wide as its longest item with its shortcut, unless the screen stops it.
    if (const auto* menu = qobject_cast<const QMenu*>(&window);
        menu && menu->width() < menu->sizeHint().width())
        clipped << menu->title();
    return clipped;
}

bool save(QWidget& w, const QString& path) {
    w.ensurePolished();
    w.show();
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
    bool ok = w.grab().toImage().save(path);
    if (!ok) std::fprintf(stderr, "could not write %s\n", qPrintable(path));
    for (const auto& text : clippedTexts(w)) {
        std::fprintf(stderr, "%s: does not fit: %s\n", qPrintable(path), qPrintable(text));
        ok = false;
    }
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

        ZonePickerController picker(l10n);
        picker.show();
        const auto pickerModel =
            shownModel<port::ZonePickerModel>(desk, port::SurfaceKind::zonePicker);
        views::ZonePickerWidget pickerWidget(pickerModel);
        pickerWidget.setComposited(false);
        const Size panel = ZonePickerController::panelSize(pickerModel);
        pickerWidget.resize(static_cast<int>(panel.width), static_cast<int>(panel.height));
        ok &= save(pickerWidget, prefix + "picker.png");
        for (const auto& label : pickerWidget.overflowingLabels()) {
            std::fprintf(stderr, "%spicker.png: does not fit: %s\n", qPrintable(prefix),
                         qPrintable(label));
            ok = false;
        }
        picker.close();

        TrayController tray(settings, l10n);
        tray.setVisible(true);
        NoWindowSystem noWindowSystem;
        views::TraySurface traySurface(noWindowSystem,
                                       shownModel<port::TrayModel>(desk, port::SurfaceKind::tray));
        traySurface.menu().popup(QPoint(0, 0));
        ok &= save(traySurface.menu(), prefix + "tray-menu.png");
        traySurface.menu().hide();
    }
    return ok ? 0 : 1;
}
