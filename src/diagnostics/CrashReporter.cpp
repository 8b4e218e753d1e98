#include "diagnostics/CrashReporter.h"

namespace kelvra {

CrashReporter& CrashReporter::shared() {
    static CrashReporter reporter;
    return reporter;
}

void CrashReporter::subscribe() {
    subscribed_ = true;
}

}  // namespace kelvra
