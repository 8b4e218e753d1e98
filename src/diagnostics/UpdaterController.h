#pragma once

#include <memory>
#include <optional>
#include <string>

#include "base/LifetimeGuard.h"
#include "base/Signal.h"
#include "base/Timer.h"
#include "diagnostics/UpdateFeed.h"

namespace kelvra {

class L10n;

// What the updater knows about this build and where it runs.
struct UpdaterEnvironment {
    std::string feedURL;         // the build's update feed (https)
    std::string publicKey;       // base64 Ed25519 key that signs our updates
    std::string currentVersion;  // compared with the feed's versions
    std::string systemVersion;   // compared with an item's minimum system version
    std::string programPath;     // the single-file program we run from; empty otherwise

    // From the package information, $APPIMAGE and the C library's version: an AppImage
    // built against a newer C library would not start here.
    static UpdaterEnvironment current();
};

// Finds new versions in the update feed and tells the user; where the program runs
// as a single-file program it downloads, verifies and installs them. Installed from a
// distribution package it only points to the release notes: the package manager
// updates it. Nothing is installed unless its length and Ed25519 signature match.
class UpdaterController {
  public:
    enum class State { idle, checking, upToDate, available, downloading, readyToRestart, failed };

    static constexpr double firstCheckDelay = 60;
    static constexpr double checkInterval = 24 * 3600;
    static constexpr uint64_t maxDownloadBytes = uint64_t{1} << 30;
    static constexpr const char* automaticChecksKey = "automaticallyChecksForUpdates";

    // Whether this build declares an update feed and its signing key.
    static bool declared();
    // Starts the updater: the first check follows after firstCheckDelay.
    UpdaterController(UpdaterEnvironment environment, const L10n& l10n);
    ~UpdaterController();
    UpdaterController(const UpdaterController&) = delete;
    UpdaterController& operator=(const UpdaterController&) = delete;

    // Checks the feed now; the user asked, so the answer is shown whatever it is.
    void checkNow();
    bool automaticallyChecksForUpdates() const;
    void setAutomaticallyChecksForUpdates(bool on);

    State state() const { return state_; }
    const std::optional<UpdateItem>& update() const { return update_; }
    // Download progress, 0 to 1.
    double progress() const { return progress_; }
    const std::string& failure() const { return failure_; }
    bool canInstall() const { return !environment_.programPath.empty(); }
    // The tray's status line for the current state; empty when there is nothing to say.
    std::string statusText() const;

    // Shows the found update again (the tray's status line).
    void showUpdate();
    // Downloads, verifies and installs the found update (single-file programs only).
    void install();
    // Opens the found update's release notes in the browser.
    void openReleaseNotes();
    // Ends the program so that the installed file starts in its place.
    void restart();
    // The file to start when the program ends; empty when none.
    const std::string& relaunchPath() const { return relaunchPath_; }

    Signal<> onStateChanged;

  private:
    void scheduleCheck(double delay);
    void check(bool manual);
    void checked(const std::string& feed, bool manual);
    void downloaded(const std::string& body);
    void setState(State state, std::string failure = {});
    void offerUpdate();

    UpdaterEnvironment environment_;
    const L10n& l10n_;
    std::string relaunchPath_;
    State state_ = State::idle;
    std::optional<UpdateItem> update_;
    std::string offeredVersion_;
    double progress_ = 0;
    std::string failure_;
    Timer timer_;
    LifetimeGuard lifetime_;
};

}  // namespace kelvra
