// Several servers on one database: the version check and the code hand-out hold when
// each server has its own connection.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "ServerBackends.h"

namespace kelvra::server::test {
namespace {

class SharedStoreTest : public ::testing::TestWithParam<std::string> {
  protected:
    void SetUp() override {
        std::string why;
        backend_ = makeBackend(GetParam(), why);
        if (!backend_) GTEST_SKIP() << why;
        first_ = backend_->open();
        second_ = backend_->open();
        ASSERT_TRUE(first_->addAccount("a@example.org", "x"));
        account_ = first_->accountByEmail("A@Example.org").value().id;
    }
    std::unique_ptr<Backend> backend_;
    std::unique_ptr<Store> first_, second_;
    std::int64_t account_ = 0;
};

TEST_P(SharedStoreTest, OnlyOneServerAcceptsEachBaseVersion) {
    EXPECT_EQ(first_->putBlob(account_, "a", 0, "d1"), 1);
    EXPECT_EQ(second_->putBlob(account_, "b", 0, "d2"), std::nullopt);
    EXPECT_EQ(second_->putBlob(account_, "b", 1, "d2"), 2);
    EXPECT_EQ(first_->putBlob(account_, "c", 1, "d1"), std::nullopt);
    EXPECT_EQ(first_->blob(account_)->data, "b");

    // Racing connections on the same base: exactly one wins.
    constexpr int kRacers = 6;
    std::vector<std::unique_ptr<Store>> stores;
    for (int i = 0; i < kRacers; ++i) stores.push_back(backend_->open());
    std::atomic<int> accepted = 0;
    std::vector<std::thread> racers;
    for (int i = 0; i < kRacers; ++i) {
        racers.emplace_back([&, i] {
            if (stores[i]->putBlob(account_, "r" + std::to_string(i), 2, "d")) ++accepted;
        });
    }
    for (auto& t : racers) t.join();
    EXPECT_EQ(accepted, 1);
    EXPECT_EQ(first_->blob(account_)->version, 3);
}

TEST_P(SharedStoreTest, ACodeIsHandedOutOnceAndExpiredCodesAreForgotten) {
    first_->addCode("h1", CodeGrant{account_, "challenge", 100}, 50);
    EXPECT_TRUE(second_->takeCode("h1"));
    EXPECT_FALSE(first_->takeCode("h1"));

    first_->addCode("old", CodeGrant{account_, "c", 100}, 50);
    first_->addCode("new", CodeGrant{account_, "c", 500}, 200);  // purges "old"
    EXPECT_FALSE(second_->takeCode("old"));
    EXPECT_TRUE(second_->takeCode("new"));
    EXPECT_FALSE(first_->addAccount("A@EXAMPLE.ORG", "y")) << "addresses ignore case";
}

INSTANTIATE_TEST_SUITE_P(Stores, SharedStoreTest, ::testing::Values("sqlite", "postgresql"),
                         [](const auto& info) { return info.param; });

}  // namespace
}  // namespace kelvra::server::test
