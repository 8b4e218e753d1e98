#pragma once

#include <string>

#include "port/Browser.h"

namespace kelvra::xdg {

// The user's default web browser: the desktop's handler of the address's scheme
// (GIO), or xdg-open when GIO finds none.
class XdgBrowser final : public port::Browser {
  public:
    bool open(const std::string& url) override;
};

}  // namespace kelvra::xdg
