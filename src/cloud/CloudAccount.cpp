#include "cloud/CloudAccount.h"

namespace kelvra {

CloudAccount& CloudAccount::shared() {
    static CloudAccount account;
    return account;
}

void CloudAccount::start() {
    started_ = true;
}

void CloudAccount::handleCallback(const std::string& url) {
    callbacks_.push_back(url);
}

void CloudAccount::resetForTesting() {
    started_ = false;
    callbacks_.clear();
}

}  // namespace kelvra
