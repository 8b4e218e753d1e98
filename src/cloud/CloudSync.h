#pragma once

namespace kelvra {

// Settings sync through the cloud account. For now it only starts.
class CloudSync {
  public:
    static CloudSync& shared();
    void start();
    bool started() const { return started_; }
    void resetForTesting() { started_ = false; }

  private:
    bool started_ = false;
};

}  // namespace kelvra
