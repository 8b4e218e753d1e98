#pragma once

#include <filesystem>
#include <string>

#include "port/LoginItems.h"

namespace kelvra::xdg {

// Starts the program at login through a desktop entry in the user's autostart
// folder (<config>/autostart/kelvra.desktop) that runs this very executable.
class XdgAutostart : public port::LoginItems {
  public:
    // The entry in the standard autostart folder, for the running executable.
    XdgAutostart();
    // For tests: a chosen entry file and executable path.
    XdgAutostart(std::filesystem::path entryFile, std::filesystem::path executable);

    bool registerMainApp(std::string& error) override;
    bool unregisterMainApp(std::string& error) override;

    const std::filesystem::path& entryFile() const { return entryFile_; }

    // The text of the desktop entry that runs `executable`; false with a reason when
    // the path cannot be written as an Exec line.
    static bool entryText(const std::filesystem::path& executable, std::string& text,
                          std::string& error);

  private:
    std::filesystem::path entryFile_;
    std::filesystem::path executable_;  // empty: the running executable
};

}  // namespace kelvra::xdg
