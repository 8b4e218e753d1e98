#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "base/LifetimeGuard.h"
#include "base/Signal.h"
#include "base/Timer.h"
#include "port/Surfaces.h"
#include "ui/OnboardingShortcutsPage.h"
#include "ui/SessionCheck.h"

namespace kelvra {

class AppSettings;
class L10n;
class ManagerSnappingConflict;

// First-launch guidance in its own window, drawn through the surfaces port: welcome,
// the desktop check, the shortcuts where some are taken here (the first time only), then
// the two gestures and the crash-report choice. Where the window manager snaps dragged
// windows too, the gestures' page offers to switch that off (and back). Pages only move
// forward. The check page re-checks every second and moves on by itself once this
// desktop can be arranged; when it cannot, it says why and offers a way out.
// Closing the window keeps it (and its page) for the next show(); finishing releases it,
// so showing it again starts at the welcome page.
class OnboardingController {
  public:
    OnboardingController(AppSettings& settings, L10n& l10n,
                         ManagerSnappingConflict* managerSnapping = nullptr);
    ~OnboardingController();

    void show();
    // Marks onboarding complete, releases the window and tells onFinished.
    void finish();
    void choose(const std::string& id);

    int page() const { return page_; }
    bool hasWindow() const { return surface_ != nullptr; }
    port::OnboardingModel model() const;

    Signal<> onFinished;
    Signal<> onQuitRequested;
    // The window was closed before the end.
    Signal<> onClosed;

  private:
    void setPage(int page);
    // Page 2, led by the shortcuts page when this desktop takes some of them.
    void enterTutorial();
    void checkAndAdvance();
    void startTimer();
    void stopTimer();
    void refresh();
    void readManagerSnapping();
    // The offer about the window manager's own edge snapping, as lines of help.
    void addManagerSnappingHelp(port::OnboardingModel& m) const;

    AppSettings& settings_;
    L10n& l10n_;
    ManagerSnappingConflict* managerSnapping_;
    std::unique_ptr<port::Surface> surface_;
    int page_ = 0;
    SessionCheck check_ = SessionCheck::ready;
    bool continueAnyway_ = false;
    std::unique_ptr<OnboardingShortcutsPage> keysPage_;  // while it shows
    bool keysChecked_ = false;  // the page was considered (and maybe shown) in this round
    Timer timer_;
    std::vector<Subscription> subscriptions_;
    std::vector<Subscription> surfaceSubscriptions_;
    LifetimeGuard lifetime_;
};

}  // namespace kelvra
