#include "cloud/CloudAccount.h"

namespace kelvra {

CloudAccount& CloudAccount::shared() {
    static CloudAccount account;
    return account;
}

void CloudAccount::start() { ++startCount_; }

void CloudAccount::handleCallback(const std::string& url) { callbacks_.push_back(url); }

void CloudAccount::resetForTesting() {
    startCount_ = 0;
    callbacks_.clear();
}

}  // namespace kelvra
