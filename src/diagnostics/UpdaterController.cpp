#include "diagnostics/UpdaterController.h"

#include <gnu/libc-version.h>

#include <cstdlib>

#include "diagnostics/ProgramReplacement.h"
#include "diagnostics/UpdateSignature.h"
#include "l10n/L10n.h"
#include "port/Platform.h"

namespace kelvra {

namespace {

bool isHttps(const std::string& url) {
    return url.rfind("https://", 0) == 0 && url.size() > 8;
}

// Why a request brought no answer: the status it got, or the transport's error.
std::string why(const port::HttpResponse& response) {
    return response.answered() ? "status " + std::to_string(response.status) : response.error;
}

}  // namespace

UpdaterEnvironment UpdaterEnvironment::current() {
    UpdaterEnvironment e;
    const auto& build = *platform().buildInfo;
    e.feedURL = build.updateFeedUrl;
    e.publicKey = build.updatePublicKey;
    e.currentVersion = build.buildNumber;
    e.systemVersion = gnu_get_libc_version();
    const char* appImage = std::getenv("APPIMAGE");
    if (appImage && appImage[0] == '/') e.programPath = appImage;
    return e;
}

bool UpdaterController::declared() {
    const auto& build = *platform().buildInfo;
    return !build.updateFeedUrl.empty() && !build.updatePublicKey.empty();
}

UpdaterController::UpdaterController(UpdaterEnvironment environment, const L10n& l10n)
    : environment_(std::move(environment)), l10n_(l10n) {
    scheduleCheck(firstCheckDelay);
}

UpdaterController::~UpdaterController() = default;

bool UpdaterController::automaticallyChecksForUpdates() const {
    auto stored = platform().defaults->object(automaticChecksKey);
    if (stored) {
        if (auto* on = std::get_if<bool>(&*stored)) return *on;
    }
    return true;
}

void UpdaterController::setAutomaticallyChecksForUpdates(bool on) {
    platform().defaults->set(automaticChecksKey, on);
}

void UpdaterController::scheduleCheck(double delay) {
    timer_.once(*platform().runLoop, delay, [this] {
        if (automaticallyChecksForUpdates()) check(false);
        scheduleCheck(checkInterval);
    });
}

void UpdaterController::checkNow() {
    check(true);
}

void UpdaterController::setState(State state, std::string failure) {
    state_ = state;
    failure_ = std::move(failure);
    if (!failure_.empty()) logLine("update: " + failure_);
    onStateChanged.emit();
}

void UpdaterController::check(bool manual) {
    // A check must not disturb a download or an installed update.
    if (state_ == State::checking || state_ == State::downloading ||
        state_ == State::readyToRestart) {
        return;
    }
    if (!isHttps(environment_.feedURL)) {
        setState(State::failed, "the update feed address is not https");
        return;
    }
    if (!platform().http) {
        logLine("no network service; update check skipped");
        return;
    }
    setState(State::checking);
    port::HttpRequest request;
    request.url = environment_.feedURL;
    request.maxResponseBytes = size_t{4} << 20;
    platform().http->send(
        std::move(request), lifetime_.guard([this, manual](port::HttpResponse response) {
            if (response.status != 200) {
                setState(State::failed, "cannot read the update feed (" + why(response) + ")");
                return;
            }
            checked(response.body, manual);
        }));
}

void UpdaterController::checked(const std::string& feed, bool manual) {
    auto items = parseUpdateFeed(feed);
    if (!items) {
        setState(State::failed, "the update feed is not readable");
        return;
    }
    update_ = bestUpdate(*items, environment_.currentVersion, environment_.systemVersion);
    if (!update_) {
        setState(State::upToDate);
        return;
    }
    setState(State::available);
    // An automatic check asks about a version once per run; the tray keeps showing it.
    if (!manual && offeredVersion_ == update_->version) return;
    offerUpdate();
}

void UpdaterController::offerUpdate() {
    if (!update_) return;
    offeredVersion_ = update_->version;
    const auto& l = l10n_;
    port::AlertRequest request;
    request.messageText = format(l.string("upd.title"), {update_->shortVersion});
    request.informativeText = update_->description;
    if (request.informativeText.size() > 2000) {
        request.informativeText = request.informativeText.substr(0, 2000) + "…";
    }
    if (!canInstall()) {
        if (!request.informativeText.empty()) request.informativeText += "\n\n";
        request.informativeText += l.string("upd.packaged");
    }
    const bool notes = !update_->releaseNotesLink.empty();
    if (canInstall()) request.buttons.push_back(l.string("upd.install"));
    if (notes) request.buttons.push_back(l.string("upd.notes"));
    request.buttons.push_back(l.string("common.later"));
    int answer = platform().alerts->runModal(request) - port::Alerts::firstButtonReturn;
    if (canInstall() && answer == 0) {
        install();
    } else if (notes && answer == (canInstall() ? 1 : 0)) {
        openReleaseNotes();
    }
}

std::string UpdaterController::statusText() const {
    const auto& l = l10n_;
    switch (state_) {
        case State::idle:
            return {};
        case State::checking:
            return l.string("upd.checking");
        case State::upToDate:
            return l.string("gen.upToDate");
        case State::available:
            return format(l.string("upd.available"), {update_ ? update_->shortVersion : ""});
        case State::downloading:
            return format(l.string("upd.downloading"), {l.percent(progress_)});
        case State::readyToRestart:
            return l.string("upd.ready");
        case State::failed:
            return l.string("upd.failed");
    }
    return {};
}

void UpdaterController::showUpdate() {
    if (state_ == State::available) {
        offerUpdate();
    } else if (state_ == State::readyToRestart) {
        restart();
    } else if (state_ == State::failed || state_ == State::upToDate || state_ == State::idle) {
        checkNow();
    }
}

void UpdaterController::openReleaseNotes() {
    if (!update_ || update_->releaseNotesLink.empty()) return;
    if (!platform().browser || !platform().browser->open(update_->releaseNotesLink)) {
        logLine("cannot open the release notes: no browser");
    }
}

void UpdaterController::install() {
    if (!update_ || !canInstall() || state_ == State::downloading) return;
    if (!isHttps(update_->url)) {
        setState(State::failed, "the update's download address is not https");
        return;
    }
    if (update_->length > maxDownloadBytes) {
        setState(State::failed, "the update is larger than any version of this program");
        return;
    }
    if (!platform().http) return;
    progress_ = 0;
    setState(State::downloading);
    port::HttpRequest request;
    request.url = update_->url;
    request.timeoutSeconds = 600;
    // One byte more than announced, so that a longer file is seen as one.
    request.maxResponseBytes = static_cast<size_t>(update_->length) + 1;
    uint64_t length = update_->length;
    request.progress = lifetime_.guard([this, length](uint64_t received, uint64_t) {
        if (length == 0) return;
        progress_ = std::min(1.0, static_cast<double>(received) / length);
        onStateChanged.emit();
    });
    platform().http->send(std::move(request), lifetime_.guard([this](port::HttpResponse response) {
        if (response.status != 200) {
            setState(State::failed, "the update could not be downloaded (" + why(response) + ")");
            return;
        }
        downloaded(response.body);
    }));
}

void UpdaterController::downloaded(const std::string& body) {
    if (body.size() != update_->length) {
        setState(State::failed, "the downloaded update has the wrong length");
        return;
    }
    if (!verifyUpdateSignature(body, update_->edSignature, environment_.publicKey)) {
        setState(State::failed, "the downloaded update's signature is not valid");
        return;
    }
    std::string error;
    if (!replaceExecutable(environment_.programPath, body, error)) {
        setState(State::failed, error);
        return;
    }
    progress_ = 1;
    setState(State::readyToRestart);
    const auto& l = l10n_;
    port::AlertRequest request;
    request.messageText = format(l.string("upd.installed"), {update_->shortVersion});
    request.buttons = {l.string("upd.restart"), l.string("common.later")};
    if (platform().alerts->runModal(request) == port::Alerts::firstButtonReturn) restart();
}

void UpdaterController::restart() {
    if (state_ != State::readyToRestart) return;
    relaunchPath_ = environment_.programPath;
    platform().runLoop->quit();
}

}  // namespace kelvra
