#include <algorithm>

#include "CloudFixture.h"
#include "backends/xdg/JsonDefaultsDomain.h"
#include "cloud/SyncPayload.h"
#include "unit/diagnostics/TempFolder.h"

namespace kelvra::test {
namespace {

using Status = CloudSync::Status;
using namespace std::string_literals;

// A signed-in machine whose sync has started and finished its first download.
class SyncTest : public CloudTest {
  protected:
    void startSignedIn() {
        storeToken();
        makeSync();
        sync->start();
        wait(1);
    }
    void expectSynced(int64_t version, const std::string& blob) {
        EXPECT_EQ(std::tuple(sync->baseVersion(), sync->lastBlob(), sync->status()),
                  std::tuple(version, blob, Status::idle));
    }
    // What another machine uploaded: this machine's settings with a different gap.
    std::string otherMachineBlob(double gap, std::optional<std::string> language) {
        auto payload = SyncPayload::from(*settings);
        payload.windowGap = gap;
        payload.languageCode = std::move(language);
        return payload.blob();
    }
};

TEST_F(SyncTest, FirstSignInOnAnEmptyAccountUploadsTheLocalSettingsFromVersionZero) {
    makeSync();
    sync->start();
    signInThroughBrowser();
    EXPECT_EQ(service.gets, 1);
    ASSERT_EQ(service.puts, 1);
    EXPECT_EQ(service.lastPutBody.at("baseVersion"), 0);
    EXPECT_EQ(service.lastPutBody.at("blob"), sync->snapshotBlob());
    EXPECT_EQ(service.lastPutBody.at("deviceId"), desktop.secrets().items().at("cloudDeviceID"));
    const auto& put = desktop.http().requests().back();
    EXPECT_EQ(std::tuple(put.method, put.url, FakeService::header(put, "Content-Type"),
                         FakeService::header(put, "Authorization")),
              std::tuple("PUT", "https://sync.kelvra.app/api/sync/kelvra", "application/json",
                         "Bearer " + service.token));
    expectSynced(1, sync->snapshotBlob());
}

TEST_F(SyncTest, ASecondMachineTakesTheNewerRemoteSettingsWithoutEchoingThem) {
    service.blob = otherMachineBlob(21, "de");
    service.version = 7;
    startSignedIn();
    EXPECT_EQ(settings->windowGap(), 21);
    EXPECT_EQ(settings->languageCode(), std::optional<std::string>("de"));
    EXPECT_EQ(sync->baseVersion(), 7);
    EXPECT_EQ(sync->status(), Status::idle);
    wait(10);
    EXPECT_EQ(service.puts, 0);

    // A later blob without a language clears the override here.
    service.blob = otherMachineBlob(3, std::nullopt);
    service.version = 8;
    sync->enabled.set(false);
    sync->enabled.set(true);  // turning sync on downloads
    wait(10);
    EXPECT_EQ(settings->languageCode(), std::nullopt);
    EXPECT_EQ(settings->windowGap(), 3);
    EXPECT_EQ(service.puts, 0);
}

TEST_F(SyncTest, ABurstOfChangesUploadsOnceTwoSecondsAfterTheLast) {
    startSignedIn();
    ASSERT_EQ(service.puts, 1);  // the empty account got this machine's settings
    for (int i = 1; i <= 10; ++i) settings->windowGap.set(i), wait(0.1);
    wait(1.85);  // 1.95 s after the last change
    EXPECT_EQ(service.puts, 1);
    wait(0.1);
    EXPECT_EQ(sync->status(), Status::syncing);
    wait(0.2);
    EXPECT_EQ(service.puts, 2);
    EXPECT_EQ(service.lastPutBody.at("baseVersion"), 1);
    EXPECT_EQ(sync->baseVersion(), 2);
    EXPECT_EQ(sync->status(), Status::idle);

    // Back and forth to the uploaded value, and a change that is not synced: a check,
    // no upload.
    settings->windowGap.set(4);
    settings->windowGap.set(10);
    settings->paused.set(true);
    wait(5);
    EXPECT_EQ(service.puts, 2);
}

TEST_F(SyncTest, ARejectedUploadTakesTheServiceStateEvenWhenNotNewer) {
    startSignedIn();
    // Another machine uploads meanwhile; this one's base is now behind.
    service.blob = otherMachineBlob(30, std::nullopt);
    service.version = 2;
    settings->windowGap.set(12);
    wait(3);
    EXPECT_EQ(service.puts, 2);  // the rejected one
    EXPECT_EQ(settings->windowGap(), 30);
    expectSynced(2, *service.blob);
    wait(5);
    EXPECT_EQ(service.puts, 2);
}

TEST_F(SyncTest, SigningOutForgetsTheBaseSoTheNextAccountsSettingsWin) {
    service.blob = otherMachineBlob(5, std::nullopt);
    service.version = 3;
    startSignedIn();
    ASSERT_EQ(sync->baseVersion(), 3);
    account->signOut();
    EXPECT_EQ(std::pair(sync->baseVersion(), sync->lastBlob()), std::pair(int64_t(0), ""s));

    // Another account, whose settings are at an older version than the first one's.
    service = FakeService{};
    service.token = "tok-SECRET-2";
    service.blob = otherMachineBlob(21, std::nullopt);
    service.version = 2;
    signInThroughBrowser();
    EXPECT_EQ(settings->windowGap(), 21);
    expectSynced(2, *service.blob);
    wait(5);
    EXPECT_EQ(service.puts, 0);
}

// The service refuses every upload yet its download holds nothing, so the answer to the
// conflict is another first upload: that one is the last.
TEST_F(SyncTest, AConflictAnsweredByAnEmptyAccountEndsAfterOneRound) {
    startSignedIn();
    service.fault = [](const port::HttpRequest& r) -> std::optional<port::HttpResponse> {
        if (r.method == "PUT") return FakeService::reply(409, {});
        return FakeService::reply(200, nlohmann::json::object());
    };
    desktop.http().clearRequests();
    settings->windowGap.set(17);
    wait(10);
    const auto& requests = desktop.http().requests();
    EXPECT_EQ(std::ranges::count(requests, "PUT", &port::HttpRequest::method), 2);
    EXPECT_EQ(sync->status(), Status::error);
}

TEST_F(SyncTest, FailuresEndInAStatusAndLoseNothingLocally) {
    struct Case {
        const char* name;
        port::HttpResponse answer;
        Status expected;
    };
    const Case cases[] = {
        {"service down", {0, {}, {}, "Could not connect to server"}, Status::error},
        {"timeout", {0, {}, {}, "Timeout was reached"}, Status::error},
        {"server error", FakeService::reply(502, {}), Status::error},
        {"huge answer", {0, {}, {}, "the answer is larger than 8388608 bytes"}, Status::error},
        {"token revoked", FakeService::reply(401, {}), Status::error},
        {"accepted without a version", FakeService::reply(200, {}), Status::error},
        // A service that rejects every upload: one round, not a loop.
        {"always conflict", FakeService::reply(409, {}), Status::error},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        service = FakeService{};
        settings->windowGap.set(8);
        startSignedIn();
        std::string uploaded = sync->lastBlob();
        service.fault = [&](const port::HttpRequest&) { return c.answer; };
        settings->windowGap.set(17);
        wait(3);
        EXPECT_EQ(std::tuple(sync->status(), settings->windowGap(), sync->lastBlob(),
                             sync->baseVersion()),
                  std::tuple(c.expected, 17.0, uploaded, int64_t(1)));
        // The next change tries again and succeeds.
        service.fault = nullptr;
        settings->windowGap.set(18);
        wait(3);
        EXPECT_EQ(std::pair(sync->status(), sync->baseVersion()),
                  std::pair(Status::idle, int64_t(2)));
        sync.reset();
    }
}

TEST_F(SyncTest, DownloadAnswersThatCannotBeAppliedLeaveTheSettingsAlone) {
    struct Case {
        const char* name;
        port::HttpResponse answer;
        Status expected;
        int64_t base;
    };
    const Case cases[] = {
        {"server error", FakeService::reply(500, {}), Status::error, 0},
        {"unauthorized", FakeService::reply(401, {}), Status::idle, 0},
        // Recorded so it is not fetched again; the settings stay.
        {"undecodable blob",
         FakeService::reply(200, {{"blob", "{\"windowGap\":1}"}, {"version", 4}}), Status::idle, 4},
        {"blob not text", FakeService::reply(200, {{"blob", 5}, {"version", 4}}), Status::error, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        service = FakeService{};
        settings->windowGap.set(9);
        desktop.defaults().remove(CloudSync::baseVersionKey);
        // The GET answers as the case says; an upload it leads to fails.
        service.fault = [&](const port::HttpRequest& r) -> std::optional<port::HttpResponse> {
            if (r.method == "GET") return c.answer;
            return FakeService::reply(503, {});
        };
        startSignedIn();
        EXPECT_EQ(std::tuple(settings->windowGap(), sync->status(), sync->baseVersion()),
                  std::tuple(9.0, c.expected, c.base));
        sync.reset();
    }
}

TEST_F(SyncTest, NothingHappensWithSyncOffOrWithoutAToken) {
    makeSync();
    sync->start();
    settings->windowGap.set(2);
    wait(5);
    EXPECT_TRUE(desktop.http().requests().empty());  // no token

    storeToken();
    sync->enabled.set(false);
    EXPECT_EQ(desktop.defaults().object(CloudSync::enabledKey),
              std::optional<port::DefaultsValue>(false));
    settings->windowGap.set(3);
    wait(5);
    EXPECT_TRUE(desktop.http().requests().empty());
}

TEST_F(SyncTest, EqualSettingsGiveIdenticalBlobsAndTheBlobRoundTrips) {
    settings->excludedApps.set({{"org.a", "A"}, {"org.b", "B"}});
    auto table = KeyCombo::defaults();
    settings->shortcuts.set(table);
    std::string first = SyncPayload::from(*settings).blob();

    // The same table filled in the opposite order.
    ShortcutTable reversed;
    for (auto it = table.rbegin(); it != table.rend(); ++it) reversed.insert(*it);
    settings->shortcuts.set(reversed);
    EXPECT_EQ(SyncPayload::from(*settings).blob(), first);

    auto decoded = SyncPayload::decode(first);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->blob(), first);
    auto json = nlohmann::json::parse(first);
    EXPECT_EQ(json.size(), 13u) << "languageCode is left out when absent";
    for (const char* key : {"dragSnapEnabled", "shortcuts", "customLayouts", "excludedApps"}) {
        auto smaller = json;
        smaller.erase(key);
        EXPECT_FALSE(SyncPayload::decode(smaller.dump())) << key;
    }
    json["languageCode"] = nullptr;
    EXPECT_TRUE(SyncPayload::decode(json.dump()));
}

TEST_F(SyncTest, TheSettingsFileNeverHoldsASecret) {
    // The real settings file, through a whole sign-in, sync and sign-out.
    TempFolder dir;
    const auto file = dir.path() / "settings.json";
    xdg::JsonDefaultsDomain fileDefaults(file);
    Platform ports = desktop.ports();
    ports.defaults = &fileDefaults;
    installPlatform(ports);
    settings = std::make_unique<AppSettings>(fileDefaults);
    makeSync();
    sync->start();
    signInThroughBrowser();
    std::string verifier = service.lastTokenBody.at("verifier");
    settings->windowGap.set(5);
    wait(3);
    account->signOut();
    wait(1);
    sync.reset();
    account.reset();
    settings.reset();

    const std::string text = readAll(file);
    EXPECT_NE(text.find("cloudSyncBaseVersion"), std::string::npos);
    for (const std::string& secret : {service.token, verifier, service.code})
        EXPECT_EQ(text.find(secret), text.npos) << secret;
    desktop.install();
}

}  // namespace
}  // namespace kelvra::test
