#include "diagnostics/UpdaterController.h"

#include <memory>

namespace kelvra {

namespace {
std::unique_ptr<UpdaterController>& instance() {
    static std::unique_ptr<UpdaterController> i;
    return i;
}
}  // namespace

UpdaterController& UpdaterController::shared() {
    auto& i = instance();
    if (!i) i.reset(new UpdaterController());
    return *i;
}

bool UpdaterController::exists() {
    return instance() != nullptr;
}

}  // namespace kelvra
