#include "cloud/CloudSync.h"

namespace kelvra {

CloudSync& CloudSync::shared() {
    static CloudSync sync;
    return sync;
}

void CloudSync::start() { ++startCount_; }

}  // namespace kelvra
