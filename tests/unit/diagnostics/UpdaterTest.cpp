#include <gtest/gtest.h>

#include <openssl/evp.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "backends/sim/SimDesktop.h"
#include "diagnostics/UpdateFeed.h"
#include "diagnostics/UpdateSignature.h"
#include "diagnostics/UpdaterController.h"
#include "l10n/L10n.h"
#include "settings/AppSettings.h"
#include "unit/diagnostics/TempFolder.h"

namespace kelvra::test {

namespace fs = std::filesystem;
using State = UpdaterController::State;
using Strings = std::vector<std::string>;

namespace {

std::string base64(const std::string& bytes) {
    std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    out.resize(static_cast<size_t>(EVP_EncodeBlock(
        reinterpret_cast<unsigned char*>(out.data()),
        reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()))));
    return out;
}

// A fresh Ed25519 key pair, as the release signing would have.
class SigningKey {
  public:
    SigningKey() {
        std::unique_ptr<EVP_PKEY_CTX, decltype(&EVP_PKEY_CTX_free)> ctx(
            EVP_PKEY_CTX_new_id(EVP_PKEY_ED25519, nullptr), EVP_PKEY_CTX_free);
        EVP_PKEY_keygen_init(ctx.get());
        EVP_PKEY_keygen(ctx.get(), &key_);
    }
    ~SigningKey() { EVP_PKEY_free(key_); }
    std::string publicKey() const {
        std::string raw(32, '\0');
        size_t length = raw.size();
        EVP_PKEY_get_raw_public_key(key_, reinterpret_cast<unsigned char*>(raw.data()), &length);
        return base64(raw);
    }
    std::string sign(const std::string& data) const {
        std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(),
                                                                    EVP_MD_CTX_free);
        EVP_DigestSignInit(ctx.get(), nullptr, nullptr, nullptr, key_);
        std::string signature(64, '\0');
        size_t length = signature.size();
        EVP_DigestSign(ctx.get(), reinterpret_cast<unsigned char*>(signature.data()), &length,
                       reinterpret_cast<const unsigned char*>(data.data()), data.size());
        return base64(signature);
    }

  private:
    EVP_PKEY* key_ = nullptr;
};

struct FeedItem {
    std::string version, minimumSystem;
    uint64_t length;
    std::string signature;
};

std::string feed(const std::vector<FeedItem>& items) {
    std::string xml = R"(<?xml version="1.0" encoding="utf-8"?>
<rss version="2.0" xmlns:k="https://kelvra.app/xml/update-feed"><channel><title>Kelvra</title>)";
    for (const auto& i : items) {
        xml += "<item><title>Kelvra " + i.version +
               "</title><description>Faster snapping.</description><k:version>" + i.version +
               "</k:version>" +
               (i.minimumSystem.empty()
                    ? ""
                    : "<k:minimumSystemVersion>" + i.minimumSystem + "</k:minimumSystemVersion>") +
               "<k:releaseNotesLink>https://kelvra.app/notes/" + i.version +
               "</k:releaseNotesLink><enclosure url=\"https://kelvra.app/dl/" + i.version +
               "\" length=\"" + std::to_string(i.length) + "\" k:edSignature=\"" + i.signature +
               "\"/></item>";
    }
    return xml + "</channel></rss>";
}

const std::string feedURL = "https://kelvra.app/feed.xml";
const std::string newProgram = "#!/bin/sh\necho new Kelvra\n";

}  // namespace

TEST(UpdateFeedTest, ComparesVersionsNumerically) {
    struct Case {
        const char *a, *b;
        int expected;
    };
    for (const auto& c : {Case{"1.10", "1.9", 1}, Case{"2", "2.0", 0}, Case{"1.2", "1.2.1", -1},
                          Case{"1.2rc1", "1.2", -1}, Case{"130", "121", 1}, Case{"2.36", "2.31", 1},
                          Case{"", "0", 0}}) {
        EXPECT_EQ(compareVersions(c.a, c.b), c.expected) << c.a << " vs " << c.b;
        EXPECT_EQ(compareVersions(c.b, c.a), -c.expected) << c.b << " vs " << c.a;
    }
}

TEST(UpdateFeedTest, PicksTheNewestUpdateThisSystemCanRun) {
    auto items = parseUpdateFeed(feed({{"110", "", 5, "c2ln"},
                                       {"140", "2.40", 5, "c2ln"},  // needs a newer C library
                                       {"130", "2.31", 5, "c2ln"},
                                       {"125", "", 5, "c2ln"}}));
    ASSERT_TRUE(items);
    ASSERT_EQ(items->size(), 4u);
    EXPECT_EQ((*items)[0].url, "https://kelvra.app/dl/110");
    EXPECT_EQ((*items)[0].shortVersion, "110");
    EXPECT_EQ(bestUpdate(*items, "120", "2.36").value().version, "130");
    EXPECT_FALSE(bestUpdate(*items, "140", "2.36"));
    // Items in other namespaces, or without a complete enclosure, are not ours.
    EXPECT_TRUE(parseUpdateFeed(R"(<rss xmlns:s="urn:other"><channel><item><s:version>9</s:version>
        <enclosure url="https://x" length="1" s:edSignature="c2ln"/></item></channel></rss>)")
                    ->empty());
    EXPECT_TRUE(parseUpdateFeed(feed({{"130", "", 0, "c2ln"}}))->empty());
    EXPECT_FALSE(parseUpdateFeed("<rss><channel>"));
    EXPECT_FALSE(parseUpdateFeed("<html/>"));
}

class UpdaterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        desktop.install();
        desktop.setPreferredLanguages({"en-US"});
        l10n = std::make_unique<L10n>();
        std::ofstream(bundle) << "old";
        desktop.http().setHandler([this](const port::HttpRequest& r) {
            if (r.url == feedURL) return port::HttpResponse{feedStatus, {}, feedText, {}};
            if (r.url.starts_with("https://kelvra.app/dl/"))
                return port::HttpResponse{200, {}, download, {}};
            return port::HttpResponse{404, {}, {}, {}};
        });
    }
    void TearDown() override { current.reset(); }

    // Starts an updater in place of the one before.
    UpdaterController& start(bool bundled = true) {
        current = std::make_unique<UpdaterController>(
            UpdaterEnvironment{.feedURL = feedURL,
                               .publicKey = key.publicKey(),
                               .currentVersion = "120",
                               .systemVersion = "2.36",
                               .programPath = bundled ? bundle.string() : ""},
            *l10n);
        return *current;
    }
    UpdaterController& startAndCheck(bool bundled = true) {
        auto& updater = start(bundled);
        updater.checkNow();
        desktop.runLoop().advance(0);
        return updater;
    }
    // Publishes version 130 whose file is `signedContent`, signed with `signer`.
    void publish(const std::string& signedContent, const SigningKey& signer) {
        feedText = feed({{"130", "", newProgram.size(), signer.sign(signedContent)}});
    }
    size_t downloads() {
        size_t n = 0;
        for (const auto& r : desktop.http().requests()) n += r.url != feedURL;
        return n;
    }
    size_t requests() { return desktop.http().requests().size(); }

    sim::SimDesktop desktop;
    TempFolder folder;
    fs::path bundle = folder.path() / "Kelvra.AppImage";
    SigningKey key;
    int feedStatus = 200;
    std::string feedText;
    std::string download = newProgram;
    std::unique_ptr<L10n> l10n;
    std::unique_ptr<UpdaterController> current;
};

TEST_F(UpdaterTest, AFeedEndsInTheRightState) {
    struct Case {
        const char* name;
        int status;
        std::string feed;
        State expected;
    };
    const Case cases[] = {
        {"newer", 200, feed({{"130", "", 10, key.sign("x")}}), State::available},
        {"older", 200, feed({{"110", "", 10, key.sign("x")}}), State::upToDate},
        {"too new a system", 200, feed({{"130", "9.0", 10, key.sign("x")}}), State::upToDate},
        {"malformed", 200, "<rss><channel><item>", State::failed},
        {"server error", 503, "", State::failed},
    };
    desktop.setAlertResponse(port::Alerts::firstButtonReturn + 2);  // "Later"
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        feedStatus = c.status;
        feedText = c.feed;
        auto& updater = start();
        updater.checkNow();
        EXPECT_EQ(updater.state(), State::checking);
        desktop.runLoop().advance(0);
        EXPECT_EQ(updater.state(), c.expected);
        EXPECT_EQ(downloads(), 0u);
        EXPECT_EQ(readAll(bundle), "old");
    }
    // Only the newer version was offered, with its notes.
    ASSERT_EQ(desktop.alerts().size(), 1u);
    EXPECT_EQ(desktop.alerts()[0].messageText, "Kelvra 130 is available");
    EXPECT_EQ(desktop.alerts()[0].informativeText, "Faster snapping.");
    EXPECT_EQ(desktop.alerts()[0].buttons, (Strings{"Install update", "Release notes", "Later"}));
}

TEST_F(UpdaterTest, OnlyAVerifiedDownloadIsInstalled) {
    SigningKey stranger;
    struct Case {
        const char* name;
        std::string served;
        bool signedByUs;
        State expected;
    };
    const Case cases[] = {
        {"bad signature", newProgram, false, State::failed},
        {"truncated", newProgram.substr(0, 10), true, State::failed},
        {"tampered", std::string(newProgram).replace(0, 2, "#?"), true, State::failed},
        {"good", newProgram, true, State::readyToRestart},
    };
    desktop.setAlertResponse(port::Alerts::firstButtonReturn + 1);  // later, at the restart
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        publish(newProgram, c.signedByUs ? key : stranger);
        download = c.served;
        auto& updater = startAndCheck();
        ASSERT_EQ(updater.state(), State::available);
        updater.install();
        EXPECT_EQ(updater.state(), State::downloading);
        desktop.runLoop().advance(0);
        EXPECT_EQ(updater.state(), c.expected);
        bool installed = c.expected == State::readyToRestart;
        EXPECT_EQ(readAll(bundle), installed ? newProgram : "old");
        EXPECT_EQ(fs::status(bundle).permissions() & fs::perms::owner_exec,
                  installed ? fs::perms::owner_exec : fs::perms::none);
        // Nothing is left beside the file.
        EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), {}), 1);
        EXPECT_TRUE(updater.relaunchPath().empty());
    }
    // The user restarts from the tray's status line.
    current->showUpdate();
    EXPECT_EQ(current->relaunchPath(), bundle.string());
}

TEST_F(UpdaterTest, InstallingFromTheFirstQuestionRestartsWhenTheUserSays) {
    publish(newProgram, key);
    EXPECT_EQ(startAndCheck().state(), State::readyToRestart);  // answers: install, restart now
    EXPECT_EQ(desktop.alerts().back().messageText, "Kelvra 130 is installed");
    EXPECT_EQ(current->relaunchPath(), bundle.string());
}

TEST_F(UpdaterTest, APackagedInstallOnlyPointsToTheReleaseNotes) {
    publish(newProgram, key);
    auto& updater = startAndCheck(false);
    ASSERT_EQ(desktop.alerts().size(), 1u);
    EXPECT_EQ(desktop.alerts()[0].buttons, (Strings{"Release notes", "Later"}));
    EXPECT_EQ(desktop.browser().opened(), (Strings{"https://kelvra.app/notes/130"}));
    updater.install();
    desktop.runLoop().advance(0);
    EXPECT_EQ(downloads(), 0u);
    EXPECT_EQ(updater.state(), State::available);
}

TEST_F(UpdaterTest, ChecksAutomaticallyOnTheIntervalUnlessSwitchedOff) {
    feedText = feed({{"110", "", 10, key.sign("x")}});
    auto& updater = start();
    EXPECT_TRUE(updater.automaticallyChecksForUpdates());
    desktop.runLoop().advance(UpdaterController::firstCheckDelay - 1);
    EXPECT_EQ(requests(), 0u);
    desktop.runLoop().advance(1);
    EXPECT_EQ(requests(), 1u);
    desktop.runLoop().advance(UpdaterController::checkInterval);
    EXPECT_EQ(requests(), 2u);
    updater.setAutomaticallyChecksForUpdates(false);
    desktop.runLoop().advance(UpdaterController::checkInterval);
    EXPECT_EQ(requests(), 2u);
    // The switch is a setting: a later start keeps it.
    auto& later = start();
    EXPECT_FALSE(later.automaticallyChecksForUpdates());
    desktop.runLoop().advance(UpdaterController::firstCheckDelay);
    EXPECT_EQ(requests(), 2u);
    later.checkNow();  // a manual check still works
    EXPECT_EQ(requests(), 3u);
}

TEST_F(UpdaterTest, AnAutomaticCheckAsksAboutAVersionOncePerRun) {
    publish(newProgram, key);
    desktop.setAlertResponse(port::Alerts::firstButtonReturn + 2);  // "Later"
    auto& updater = start();
    desktop.runLoop().advance(UpdaterController::firstCheckDelay);
    EXPECT_EQ(updater.state(), State::available);
    EXPECT_EQ(desktop.alerts().size(), 1u);
    desktop.runLoop().advance(UpdaterController::checkInterval);
    EXPECT_EQ(requests(), 2u);
    EXPECT_EQ(desktop.alerts().size(), 1u);
    EXPECT_EQ(updater.statusText(), "Update available: 130");
    updater.checkNow();  // the user asks: shown again
    desktop.runLoop().advance(0);
    EXPECT_EQ(desktop.alerts().size(), 2u);
}

TEST(UpdateSignatureTest, RefusesMalformedKeysAndSignatures) {
    SigningKey key;
    auto good = key.sign("data"), pub = key.publicKey();
    EXPECT_TRUE(verifyUpdateSignature("data", good, pub));
    for (auto [data, signature, publicKey] : {std::tuple{"datA", good, pub},
                                              {"data", good.substr(4), pub},
                                              {"data", "not base64!", pub},
                                              {"data", good, ""},
                                              {"data", good, base64(std::string(31, 'k'))}}) {
        EXPECT_FALSE(verifyUpdateSignature(data, signature, publicKey)) << data << signature;
    }
}

}  // namespace kelvra::test
