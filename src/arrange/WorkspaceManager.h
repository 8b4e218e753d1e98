#pragma once

#include <optional>

#include "arrange/Workspace.h"

namespace kelvra {

class AppSettings;
class SnapEngine;

// Saves and restores window arrangements. For now it records which workspace it
// was asked to restore; the restore itself arrives later.
class WorkspaceManager {
  public:
    WorkspaceManager(AppSettings& settings, SnapEngine& engine);

    void restore(const Workspace& workspace);
    // Asks for a name and saves the current arrangement under it.
    void promptSaveCurrent();
    const std::optional<Workspace>& lastRestored() const { return lastRestored_; }

  private:
    [[maybe_unused]] AppSettings& settings_;
    [[maybe_unused]] SnapEngine& engine_;
    std::optional<Workspace> lastRestored_;
    bool toldSaveMissing_ = false;
};

}  // namespace kelvra
