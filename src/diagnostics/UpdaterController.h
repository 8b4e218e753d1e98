#pragma once

namespace kelvra {

// Update checks. Creating the shared instance starts the updater.
class UpdaterController {
  public:
    static UpdaterController& shared();
    // Whether the shared instance exists (for tests and the settings window).
    static bool exists();

  private:
    UpdaterController() = default;
};

}  // namespace kelvra
