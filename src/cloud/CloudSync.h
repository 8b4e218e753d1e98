#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "base/LifetimeGuard.h"
#include "base/Published.h"
#include "base/Subscription.h"
#include "base/Timer.h"

namespace kelvra {

class AppSettings;
class CloudAccount;
struct ServiceReply;

// Keeps the synced settings (SyncPayload) identical on the user's machines through the
// service, which stores one blob with a version. Uploads 2 s after the last change,
// downloads on sign-in, and settles a rejected upload by taking the service's state.
class CloudSync {
  public:
    enum class Status { idle, syncing, error };

    // Keys of the user defaults this class keeps for itself.
    static constexpr const char* enabledKey = "cloudSyncEnabled";
    static constexpr const char* baseVersionKey = "cloudSyncBaseVersion";
    static constexpr const char* lastBlobKey = "cloudSyncLastBlob";
    static constexpr double pushDebounceSeconds = 2.0;

    CloudSync(AppSettings& settings, CloudAccount& account);
    ~CloudSync();
    CloudSync(const CloudSync&) = delete;
    CloudSync& operator=(const CloudSync&) = delete;

    // Watches the settings and the account; a signed-in account downloads at once.
    // Signing out forgets the synced base; signing in takes the account's settings.
    void start();
    bool started() const { return started_; }

    // The sync switch (stored); turning it on downloads.
    Published<bool> enabled{true};
    Published<Status> status{Status::idle};

    // The current synced settings as the service keeps them.
    std::string snapshotBlob() const;
    int64_t baseVersion() const;
    std::string lastBlob() const;

  private:
    void schedulePush();
    void pushIfChanged();
    // `afterConflict`: this follows a rejected upload, so a second rejection ends in
    // error rather than another round.
    void push(const std::string& blob, bool afterConflict = false);
    void pull(bool force, bool afterConflict = false);
    void applyRemote(const std::string& blob, int64_t version);
    void commit(const std::string& blob, int64_t version);
    void forgetBase();
    void setStatus(Status s) { status.set(s); }
    bool ready() const;

    AppSettings& settings_;
    CloudAccount& account_;
    bool started_ = false;
    bool isApplyingRemote_ = false;
    bool signedIn_ = false;
    Timer pushWork_;
    Subscription settingsChanges_;
    Subscription accountChanges_;
    LifetimeGuard lifetime_;
};

}  // namespace kelvra
