// The cloud account and settings sync against the real service on a loopback port,
// through the real HTTP backend. The desktop is simulated, so the debounce runs on the
// virtual clock; the network answers are real and are waited for with a deadline.
#include <gtest/gtest.h>
#include <httplib.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "KelvraServer.h"
#include "SqliteStore.h"
#include "cloud/CloudAccount.h"
#include "cloud/CloudSync.h"
#include "cloud/ServiceRequest.h"
#include "cloud/ServiceURL.h"
#include "cloud/SyncPayload.h"
#include "l10n/L10n.h"
#include "platform/net/CurlHttp.h"
#include "platform/sim/SimDesktop.h"
#include "settings/AppSettings.h"

namespace kelvra::test {
namespace {

using namespace std::chrono_literals;
using Status = CloudSync::Status;

constexpr const char* kEmail = "ada@example.org";

// An httplib server on its own thread, on a port the system chooses.
struct LoopbackServer {
    template <class Bind, class Run>
    void start(Bind bind, Run run) {
        port = bind();
        ASSERT_GT(port, 0);
        thread = std::thread(run);
    }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(port); }
    int port = 0;
    std::thread thread;
};

class CloudServiceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/kelvra-cloud-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dataDir = pattern;
        store = server::openSqliteStore(dataDir);
        ASSERT_TRUE(server::addUser(*store, kEmail, "correct horse", 1000));
        accountId = store->accountByEmail(kEmail)->id;
        startService();

        desktop.install();
        desktop.setPreferredLanguages({"en-US"});
        L10n::resetSharedForTesting();
        http = std::make_unique<net::CurlHttp>(desktop.runLoop());
        Platform ports = desktop.ports();
        ports.http = http.get();
        installPlatform(ports);
        useService(service.url());
        settings = std::make_unique<AppSettings>(desktop.defaults());
        account = std::make_unique<CloudAccount>();
        sync = std::make_unique<CloudSync>(*settings, *account);
    }

    void TearDown() override {
        sync.reset();
        account.reset();
        settings.reset();
        http.reset();
        stopService();
        if (faults) {
            faults->stop();
            faultServer.thread.join();
        }
        L10n::resetSharedForTesting();
        std::filesystem::remove_all(dataDir);
    }

    void startService() {
        kelvra = std::make_unique<server::KelvraServer>(*store);
        service.start([this] { return kelvra->bind("127.0.0.1", 0); }, [this] { kelvra->run(); });
    }
    void stopService() {
        if (!kelvra) return;
        kelvra->stop();
        service.thread.join();
        kelvra.reset();
    }
    void useService(const std::string& url) { desktop.defaults().set(kCloudServiceURLKey, url); }

    // Runs the loop's posted work until `done` holds; a real wait for the network.
    bool settle(const std::function<bool()>& done) {
        auto deadline = std::chrono::steady_clock::now() + 10s;
        for (;;) {
            desktop.runLoop().runPending();
            if (done()) return true;
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(2ms);
        }
    }
    // Until no request is in flight: the sync is back from syncing.
    bool settleSync() {
        return settle([this] { return sync->status() != Status::syncing; });
    }

    // Signs in as a browser would: the connect page's form posted, its redirect handed
    // to the program.
    void signInThroughBrowser() {
        account->signIn();
        ASSERT_FALSE(desktop.browser().opened().empty());
        std::string page = desktop.browser().opened().back();
        ASSERT_EQ(page.rfind(service.url(), 0), 0u) << page;
        httplib::Client browser("127.0.0.1", service.port);
        auto res = browser.Post(page.substr(service.url().size()),
                                "email=ada%40example.org&password=correct%20horse",
                                "application/x-www-form-urlencoded");
        ASSERT_TRUE(res);
        ASSERT_EQ(res->status, 302);
        std::string location = res->get_header_value("Location");
        ASSERT_EQ(location.rfind("kelvra://auth?", 0), 0u) << location;
        account->handleCallback(location);
        ASSERT_TRUE(settle([this] { return account->state().isSignedIn(); }));
        ASSERT_TRUE(settleSync());
    }

    // What the service answers to the token, as any client would see it.
    int meStatus(const std::string& token) {
        httplib::Client client("127.0.0.1", service.port);
        auto res = client.Get("/api/me", {{"Authorization", "Bearer " + token}});
        return res ? res->status : 0;
    }

    // Another machine's upload, straight into the store.
    int64_t uploadFromOtherMachine(double gap) {
        auto payload = SyncPayload::from(*settings);
        payload.windowGap = gap;
        auto current = store->blob(accountId);
        auto version = store->putBlob(accountId, payload.blob(), current ? current->version : 0,
                                      "OTHER-DEVICE");
        EXPECT_TRUE(version);
        return version.value_or(0);
    }

    // Changes a synced setting and lets the debounce and the upload run.
    void changeGapAndUpload(double gap) {
        settings->windowGap.set(gap);
        desktop.runLoop().advance(CloudSync::pushDebounceSeconds + 0.01);
        ASSERT_TRUE(settleSync());
    }

    std::filesystem::path dataDir;
    std::unique_ptr<server::Store> store;
    int64_t accountId = 0;
    std::unique_ptr<server::KelvraServer> kelvra;
    LoopbackServer service;
    std::unique_ptr<httplib::Server> faults;
    LoopbackServer faultServer;

    sim::SimDesktop desktop;
    std::unique_ptr<net::CurlHttp> http;
    std::unique_ptr<AppSettings> settings;
    std::unique_ptr<CloudAccount> account;
    std::unique_ptr<CloudSync> sync;
};

TEST_F(CloudServiceTest, SignInUploadsDebouncesDownloadsAndSettlesAConflict) {
    sync->start();
    signInThroughBrowser();
    EXPECT_EQ(account->state(), CloudAccount::State::signedIn(kEmail, "free"));
    // The empty account took this machine's settings.
    auto stored = store->blob(accountId);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->version, 1);
    EXPECT_EQ(stored->data, sync->snapshotBlob());

    // A burst of changes: one upload, 2 s after the last.
    for (int i = 1; i <= 5; ++i) {
        settings->windowGap.set(10 + i);
        desktop.runLoop().advance(0.5);
    }
    desktop.runLoop().advance(1.4);
    ASSERT_TRUE(settleSync());
    EXPECT_EQ(store->blob(accountId)->version, 1);
    desktop.runLoop().advance(0.2);
    ASSERT_TRUE(settleSync());
    EXPECT_EQ(store->blob(accountId)->version, 2);
    EXPECT_EQ(store->blob(accountId)->data, sync->snapshotBlob());
    EXPECT_EQ(sync->baseVersion(), 2);

    // Another machine moved on; this one's upload is refused and takes its state.
    int64_t remote = uploadFromOtherMachine(30);
    changeGapAndUpload(12);
    EXPECT_EQ(settings->windowGap(), 30);
    EXPECT_EQ(sync->baseVersion(), remote);
    EXPECT_EQ(sync->status(), Status::idle);
    EXPECT_EQ(store->blob(accountId)->version, remote);

    // Another machine again, then a new start downloads it.
    remote = uploadFromOtherMachine(24);
    sync = std::make_unique<CloudSync>(*settings, *account);
    account->start();
    sync->start();
    ASSERT_TRUE(settle([this] { return settings->windowGap() == 24; }));
    ASSERT_TRUE(settleSync());
    EXPECT_EQ(sync->baseVersion(), remote);
    EXPECT_EQ(sync->status(), Status::idle);
    EXPECT_TRUE(account->state().isSignedIn());
}

TEST_F(CloudServiceTest, SignOutRevokesTheTokenAndARevokedTokenSignsOut) {
    sync->start();
    signInThroughBrowser();
    std::string token = CloudAccount::token().value_or("");
    ASSERT_FALSE(token.empty());
    EXPECT_EQ(meStatus(token), 200);
    account->signOut();
    EXPECT_FALSE(account->state().isSignedIn());
    EXPECT_FALSE(CloudAccount::token());
    EXPECT_TRUE(settle([&] { return meStatus(token) == 401; }));

    // Revoked elsewhere (signed out from the service): the next refresh signs out here.
    signInThroughBrowser();
    token = CloudAccount::token().value_or("");
    httplib::Client client("127.0.0.1", service.port);
    auto res = client.Post("/api/app/logout", {{"Authorization", "Bearer " + token}}, "",
                           "application/json");
    ASSERT_TRUE(res);
    std::string uploaded = sync->lastBlob();
    changeGapAndUpload(19);
    EXPECT_EQ(sync->status(), Status::error);
    EXPECT_EQ(settings->windowGap(), 19);
    EXPECT_EQ(sync->lastBlob(), uploaded);
    account->refresh();
    EXPECT_TRUE(settle([this] { return !account->state().isSignedIn(); }));
    EXPECT_FALSE(CloudAccount::token());
}

// Every failure ends in the error status, keeps the local settings and what was last
// uploaded, and the next change after recovery uploads again.
TEST_F(CloudServiceTest, FailuresEndInErrorAndLoseNothingLocally) {
    // What a broken service or a proxy in front of it might answer instead.
    faults = std::make_unique<httplib::Server>();
    std::string fault;
    faults->Put(".*", [&](const httplib::Request&, httplib::Response& res) {
        if (fault == "5xx") {
            res.status = 503;
            res.set_content("<html>busy</html>", "text/html");
        } else if (fault == "garbage") {
            res.set_content("{\"version\": 3", "application/json");
        } else if (fault == "huge") {
            res.set_content(std::string(maxServiceReplyBytes + 1, ' '), "application/json");
        }
    });
    faultServer.start([this] { return faults->bind_to_any_port("127.0.0.1"); },
                      [this] { faults->listen_after_bind(); });

    auto breakWith = [&](const char* kind) {
        fault = kind;
        useService(faultServer.url());
    };
    sync->start();
    signInThroughBrowser();
    const struct {
        const char* name;
        std::function<void()> breakIt;
    } cases[] = {
        {"service down", [this] { stopService(); }},
        {"5xx", [&] { breakWith("5xx"); }},
        {"garbage JSON", [&] { breakWith("garbage"); }},
        {"huge body", [&] { breakWith("huge"); }},
    };
    double gap = 40;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string uploaded = sync->lastBlob();
        int64_t version = sync->baseVersion();
        c.breakIt();
        changeGapAndUpload(++gap);
        EXPECT_EQ(sync->status(), Status::error);
        EXPECT_EQ(settings->windowGap(), gap);
        EXPECT_EQ(sync->lastBlob(), uploaded);
        EXPECT_EQ(sync->baseVersion(), version);

        if (!kelvra) startService();
        useService(service.url());
        changeGapAndUpload(++gap);
        EXPECT_EQ(sync->status(), Status::idle);
        EXPECT_EQ(sync->baseVersion(), version + 1);
        EXPECT_EQ(store->blob(accountId)->data, sync->snapshotBlob());
    }
}

}  // namespace
}  // namespace kelvra::test
