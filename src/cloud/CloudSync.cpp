#include "cloud/CloudSync.h"

#include <utility>

#include "cloud/CloudAccount.h"
#include "cloud/ServiceRequest.h"
#include "cloud/SyncPayload.h"
#include "port/Platform.h"
#include "settings/AppSettings.h"

namespace kelvra {

namespace {

constexpr const char* syncPath = "sync/kelvra";

port::UserDefaults& defaults() {
    return *platform().defaults;
}

std::optional<int64_t> integerIn(const nlohmann::json& object, const char* key) {
    auto it = object.find(key);
    if (it == object.end() || !it->is_number_integer()) return std::nullopt;
    return it->get<int64_t>();
}

std::string failure(const ServiceReply& reply) {
    return reply.status ? "HTTP " + std::to_string(reply.status) : reply.error;
}

}  // namespace

CloudSync::CloudSync(AppSettings& settings, CloudAccount& account)
    : settings_(settings), account_(account) {
    auto stored = defaults().object(enabledKey);
    const bool* on = stored ? std::get_if<bool>(&*stored) : nullptr;
    enabled.setQuietly(on ? *on : true);
    enabled.setDidSet([this] {
        defaults().set(enabledKey, enabled.get());
        if (enabled.get()) pull(false);
    });
}

// A pending debounce timer finds the object gone and does nothing.
CloudSync::~CloudSync() = default;

void CloudSync::start() {
    if (started_) return;
    started_ = true;
    settingsChanges_ = settings_.objectWillChange.connect([this] { schedulePush(); });
    // A stored account carries on from where this machine left it.
    signedIn_ = account_.state().isSignedIn();
    accountChanges_ = account_.state.sink([this](const CloudAccount::State& s) {
        const bool was = std::exchange(signedIn_, s.isSignedIn());
        if (!s.isSignedIn()) {
            if (was) forgetBase();
        } else {
            // A fresh sign-in takes that account's settings, whatever this machine
            // synced with before.
            pull(!was);
        }
    });
    if (signedIn_) pull(false);
}

void CloudSync::forgetBase() {
    // The base belongs to the account just left: kept, it would make another account's
    // settings look already applied, and a later upload overwrite them.
    defaults().set(baseVersionKey, 0.0);
    defaults().remove(lastBlobKey);
}

int64_t CloudSync::baseVersion() const {
    auto stored = defaults().object(baseVersionKey);
    const double* v = stored ? std::get_if<double>(&*stored) : nullptr;
    return v ? static_cast<int64_t>(*v) : 0;
}

std::string CloudSync::lastBlob() const {
    auto stored = defaults().object(lastBlobKey);
    const std::string* text = stored ? std::get_if<std::string>(&*stored) : nullptr;
    return text ? *text : std::string{};
}

std::string CloudSync::snapshotBlob() const {
    return SyncPayload::from(settings_).blob();
}

bool CloudSync::ready() const {
    // The state first: asking the secret store is a D-Bus round trip, and most changes
    // happen while nobody is signed in.
    return enabled() && account_.state().isSignedIn() && CloudAccount::token().has_value();
}

void CloudSync::schedulePush() {
    if (isApplyingRemote_ || !ready()) return;
    pushWork_.once(*platform().runLoop, pushDebounceSeconds, [this] { pushIfChanged(); });
}

void CloudSync::pushIfChanged() {
    if (!ready()) return;
    std::string blob = snapshotBlob();
    if (blob == lastBlob()) return;
    push(blob);
}

void CloudSync::push(const std::string& blob, bool afterConflict) {
    auto token = CloudAccount::token();
    if (!token) return;
    auto deviceId = CloudAccount::deviceId();
    if (!deviceId) {
        setStatus(Status::error);
        return;
    }
    setStatus(Status::syncing);
    nlohmann::json body = {{"blob", blob}, {"baseVersion", baseVersion()}, {"deviceId", *deviceId}};
    sendServiceRequest({"PUT", syncPath, token, body},
                       lifetime_.guard([this, blob, afterConflict](ServiceReply reply) {
                           CloudSync& sync = *this;
                           auto version = integerIn(reply.object, "version");
                           if (reply.ok() && version && *version > sync.baseVersion()) {
                               sync.commit(blob, *version);
                           } else if (reply.ok()) {
                               // Without the new version the upload cannot be confirmed: keep the
                               // old base so the next upload (or its conflict) settles it.
                               logLine("settings upload failed: the answer names no new version");
                               sync.setStatus(Status::error);
                           } else if (reply.status == 409 && !afterConflict) {
                               // The service moved on: its state wins, local changes in this upload
                               // included.
                               sync.pull(true, true);
                           } else {
                               logLine("settings upload failed: " + failure(reply));
                               sync.setStatus(Status::error);
                           }
                       }));
}

void CloudSync::pull(bool force, bool afterConflict) {
    if (!ready()) return;
    auto token = CloudAccount::token();
    setStatus(Status::syncing);
    sendServiceRequest({"GET", syncPath, token, std::nullopt},
                       lifetime_.guard([this, force, afterConflict](ServiceReply reply) {
                           CloudSync& sync = *this;
                           if (reply.status == 401) {
                               sync.setStatus(Status::idle);
                               return;
                           }
                           if (!reply.ok()) {
                               logLine("settings download failed: " + failure(reply));
                               sync.setStatus(Status::error);
                               return;
                           }
                           int64_t version = integerIn(reply.object, "version").value_or(0);
                           auto blob = reply.object.find("blob");
                           if (version == 0 || blob == reply.object.end() || !blob->is_string()) {
                               // The service holds nothing (yet, or any more): this machine's
                               // settings become the first version, based on nothing, or the
                               // service would refuse them for good.
                               defaults().set(baseVersionKey, 0.0);
                               sync.push(sync.snapshotBlob(), afterConflict);
                               return;
                           }
                           if (!force && sync.baseVersion() >= version) {
                               if (sync.snapshotBlob() == sync.lastBlob()) {
                                   sync.setStatus(Status::idle);
                               } else {
                                   sync.push(sync.snapshotBlob(), afterConflict);
                               }
                               return;
                           }
                           sync.applyRemote(blob->get<std::string>(), version);
                       }));
}

void CloudSync::applyRemote(const std::string& blob, int64_t version) {
    if (auto payload = SyncPayload::decode(blob)) {
        // Every assignment below asks for an upload; isApplyingRemote_ says no.
        isApplyingRemote_ = true;
        payload->apply(settings_);
        isApplyingRemote_ = false;
    } else {
        logLine("the service's settings do not decode; keeping the local ones");
    }
    // Recorded either way, so an undecodable blob is not fetched again until it changes.
    commit(blob, version);
}

void CloudSync::commit(const std::string& blob, int64_t version) {
    defaults().set(baseVersionKey, static_cast<double>(version));
    defaults().set(lastBlobKey, blob);
    setStatus(Status::idle);
}

}  // namespace kelvra
