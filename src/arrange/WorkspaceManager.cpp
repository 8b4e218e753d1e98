#include "arrange/WorkspaceManager.h"

#include "platform/port/Platform.h"

namespace kelvra {

WorkspaceManager::WorkspaceManager(AppSettings& settings, SnapEngine& engine)
    : settings_(settings), engine_(engine) {}

void WorkspaceManager::restore(const Workspace& workspace) {
    lastRestored_ = workspace;
}

void WorkspaceManager::promptSaveCurrent() {
    if (!toldSaveMissing_) logLine("saving a workspace is not built yet");
    toldSaveMissing_ = true;
}

}  // namespace kelvra
