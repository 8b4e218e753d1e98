// The cloud account and settings sync against the real service on a loopback port,
// through the real HTTP backend: the client and the service agree on sign-in, upload,
// conflict and download. Failures and timing are the unit tests' (tests/unit/cloud).
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
#include "backends/net/CurlHttp.h"
#include "backends/sim/SimDesktop.h"
#include "cloud/CloudAccount.h"
#include "cloud/CloudSync.h"
#include "cloud/ServiceURL.h"
#include "cloud/SyncPayload.h"
#include "l10n/L10n.h"
#include "settings/AppSettings.h"

namespace kelvra::test {
namespace {

using namespace std::chrono_literals;
using Status = CloudSync::Status;

constexpr const char* kEmail = "ada@example.org";

class CloudServiceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/kelvra-cloud-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dataDir = pattern;
        store = server::openSqliteStore(dataDir);
        ASSERT_TRUE(server::addUser(*store, kEmail, "correct horse", 1000));
        accountId = store->accountByEmail(kEmail)->id;
        kelvra = std::make_unique<server::KelvraServer>(*store);
        port = kelvra->bind("127.0.0.1", 0);
        ASSERT_GT(port, 0);
        serving = std::thread([this] { kelvra->run(); });

        desktop.install();
        desktop.setPreferredLanguages({"en-US"});
        http = std::make_unique<net::CurlHttp>(desktop.runLoop());
        Platform ports = desktop.ports();
        ports.http = http.get();
        installPlatform(ports);
        desktop.defaults().set(kCloudServiceURLKey, url());
        settings = std::make_unique<AppSettings>(desktop.defaults());
        account = std::make_unique<CloudAccount>();
        sync = std::make_unique<CloudSync>(*settings, *account);
    }

    void TearDown() override {
        sync.reset();
        account.reset();
        settings.reset();
        http.reset();
        if (kelvra) kelvra->stop();
        if (serving.joinable()) serving.join();
        std::filesystem::remove_all(dataDir);
    }

    std::string url() const { return "http://127.0.0.1:" + std::to_string(port); }

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
    void signInThroughBrowser(
        const std::string& form = "email=ada%40example.org&password=correct%20horse") {
        account->signIn();
        ASSERT_FALSE(desktop.browser().opened().empty());
        std::string page = desktop.browser().opened().back();
        ASSERT_EQ(page.rfind(url(), 0), 0u) << page;
        httplib::Client browser("127.0.0.1", port);
        auto res =
            browser.Post(page.substr(url().size()), form, "application/x-www-form-urlencoded");
        ASSERT_TRUE(res);
        ASSERT_EQ(res->status, 302);
        std::string location = res->get_header_value("Location");
        ASSERT_EQ(location.rfind("kelvra://auth?", 0), 0u) << location;
        account->handleCallback(location);
        ASSERT_TRUE(settle([this] { return account->state().isSignedIn(); }));
        ASSERT_TRUE(settleSync());
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
    int port = 0;
    std::thread serving;

    sim::SimDesktop desktop;
    std::unique_ptr<net::CurlHttp> http;
    std::unique_ptr<AppSettings> settings;
    std::unique_ptr<CloudAccount> account;
    std::unique_ptr<CloudSync> sync;
};

TEST_F(CloudServiceTest, SignInUploadsSettlesAConflictAndDownloads) {
    sync->start();
    signInThroughBrowser();
    EXPECT_EQ(account->state(), CloudAccount::State::signedIn(kEmail, "free"));
    // The empty account took this machine's settings.
    auto stored = store->blob(accountId);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->version, 1);
    EXPECT_EQ(stored->data, sync->snapshotBlob());

    // A change goes up after the debounce (its timing is the unit tests').
    changeGapAndUpload(11);
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

// Signed out of one account and into another whose settings are at a lower version: the
// second account's settings are taken, and the next edit builds on them.
TEST_F(CloudServiceTest, AnotherAccountAfterSigningOutKeepsItsOwnSettings) {
    ASSERT_TRUE(server::addUser(*store, "bob@example.org", "battery staple", 1000));
    const int64_t bob = store->accountByEmail("bob@example.org")->id;
    auto bobs = SyncPayload::from(*settings);
    bobs.windowGap = 21;
    ASSERT_TRUE(store->putBlob(bob, bobs.blob(), 0, "BOBS-DEVICE"));
    sync->start();
    signInThroughBrowser();
    changeGapAndUpload(11);
    changeGapAndUpload(12);
    account->signOut();
    signInThroughBrowser("email=bob%40example.org&password=battery%20staple");
    EXPECT_EQ(settings->windowGap(), 21);
    changeGapAndUpload(22);
    EXPECT_EQ(store->blob(bob)->version, 2);
    EXPECT_EQ(store->blob(bob)->data, sync->snapshotBlob());
}

}  // namespace
}  // namespace kelvra::test
