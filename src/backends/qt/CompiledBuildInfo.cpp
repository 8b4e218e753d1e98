#include "backends/qt/CompiledBuildInfo.h"

#ifndef KELVRA_VERSION
#define KELVRA_VERSION "0.0.0"
#endif

namespace kelvra::qt {

port::BuildInfo compiledBuildInfo() {
    port::BuildInfo info;
    info.version = KELVRA_VERSION;
    info.buildNumber = KELVRA_VERSION;
#if defined(KELVRA_UPDATE_FEED) && defined(KELVRA_UPDATE_PUBLIC_KEY)
    if (*KELVRA_UPDATE_FEED && *KELVRA_UPDATE_PUBLIC_KEY) {
        info.updateFeedUrl = KELVRA_UPDATE_FEED;
        info.updatePublicKey = KELVRA_UPDATE_PUBLIC_KEY;
    }
#endif
    return info;
}

}  // namespace kelvra::qt
