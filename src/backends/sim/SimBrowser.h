#pragma once

#include <string>
#include <vector>

#include "port/Browser.h"

namespace kelvra::sim {

// The browser of the simulated desktop: remembers what it was asked to open.
class SimBrowser final : public port::Browser {
  public:
    bool open(const std::string& url) override {
        opened_.push_back(url);
        return works_;
    }
    void setWorks(bool works) { works_ = works; }
    const std::vector<std::string>& opened() const { return opened_; }

  private:
    bool works_ = true;
    std::vector<std::string> opened_;
};

}  // namespace kelvra::sim
