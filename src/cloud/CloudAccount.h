#pragma once

#include <string>
#include <vector>

namespace kelvra {

// The user's cloud account. For now it starts and collects sign-in callbacks; the
// browser sign-in and the token store arrive later.
class CloudAccount {
  public:
    static CloudAccount& shared();

    // Refreshes the account when a token is stored; otherwise does nothing.
    void start();
    void handleCallback(const std::string& url);

    bool started() const { return started_; }
    const std::vector<std::string>& callbacks() const { return callbacks_; }
    void resetForTesting();

  private:
    bool started_ = false;
    std::vector<std::string> callbacks_;
};

}  // namespace kelvra
