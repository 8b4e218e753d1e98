#include "input/DragMonitor.h"

namespace kelvra {

DragMonitor::DragMonitor(AppSettings& settings, SnapEngine& engine)
    : settings_(settings), engine_(engine) {}

void DragMonitor::start() {
    running_ = true;
}

void DragMonitor::stop() {
    running_ = false;
}

}  // namespace kelvra
