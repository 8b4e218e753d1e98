#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "FakeService.h"
#include "backends/sim/SimDesktop.h"
#include "cloud/CloudAccount.h"
#include "cloud/CloudSync.h"
#include "l10n/L10n.h"
#include "settings/AppSettings.h"

namespace kelvra::test {

// A simulated desktop whose network reaches a FakeService after 0.1 s, with a secret
// store, a browser, the settings store, an account and a sync.
class CloudTest : public ::testing::Test {
  protected:
    void SetUp() override {
        desktop.install();
        desktop.setPreferredLanguages({"en-US"});
        desktop.http().setLatency(0.1);
        desktop.http().setHandler([this](const port::HttpRequest& r) { return service.handle(r); });
        settings = std::make_unique<AppSettings>(desktop.defaults());
    }

    void TearDown() override {
        sync.reset();
        account.reset();
        settings.reset();
    }

    void makeAccount() { account = std::make_unique<CloudAccount>(); }
    void makeSync() {
        if (!account) makeAccount();
        sync = std::make_unique<CloudSync>(*settings, *account);
    }

    // A token stored as after an earlier sign-in.
    void storeToken() {
        std::string error;
        desktop.secrets().store("cloudToken", service.token, error);
        desktop.secrets().store("cloudEmail", "old@example.org", error);
        desktop.secrets().store("cloudTier", "free", error);
    }

    // The query item of the last page the browser opened.
    std::string openedItem(const std::string& name) {
        const std::string& page = desktop.browser().opened().back();
        auto at = page.find(name + "=");
        if (at == std::string::npos) return {};
        at += name.size() + 1;
        return page.substr(at, page.find('&', at) - at);
    }

    // Signs in through the browser round trip and lets the exchange finish.
    void signInThroughBrowser() {
        account->signIn();
        account->handleCallback("kelvra://auth?code=" + service.code +
                                "&state=" + openedItem("state"));
        desktop.runLoop().advance(1.0);
    }

    void wait(double seconds) { desktop.runLoop().advance(seconds); }

    sim::SimDesktop desktop;
    FakeService service;
    std::unique_ptr<AppSettings> settings;
    std::unique_ptr<CloudAccount> account;
    std::unique_ptr<CloudSync> sync;
};

}  // namespace kelvra::test
