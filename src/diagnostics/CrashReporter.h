#pragma once

namespace kelvra {

// Turns crash diagnostics into reports. For now it only subscribes.
class CrashReporter {
  public:
    static CrashReporter& shared();
    // Starts receiving the platform's crash diagnostics.
    void subscribe();
    bool subscribed() const { return subscribed_; }
    void resetForTesting() { subscribed_ = false; }

  private:
    bool subscribed_ = false;
};

}  // namespace kelvra
