#pragma once

namespace kelvra {

// Settings sync through the cloud account. For now it only starts.
class CloudSync {
public:
    static CloudSync& shared();
    void start();
    int startCount() const { return startCount_; }
    void resetForTesting() { startCount_ = 0; }

private:
    int startCount_ = 0;
};

}  // namespace kelvra
