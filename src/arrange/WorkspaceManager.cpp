#include "arrange/WorkspaceManager.h"

namespace kelvra {

WorkspaceManager::WorkspaceManager(AppSettings& settings, SnapEngine& engine)
    : settings_(settings), engine_(engine) {}

void WorkspaceManager::restore(const Workspace& workspace) {
    lastRestored_ = workspace;
}

}  // namespace kelvra
