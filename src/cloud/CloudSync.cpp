#include "cloud/CloudSync.h"

namespace kelvra {

CloudSync& CloudSync::shared() {
    static CloudSync sync;
    return sync;
}

void CloudSync::start() {
    started_ = true;
}

}  // namespace kelvra
