#include "backends/qt/StaticBundleInfo.h"

#ifndef KELVRA_VERSION
#define KELVRA_VERSION "0.0.0"
#endif

namespace kelvra::qt {

StaticBundleInfo::StaticBundleInfo()
    : values_{{"CFBundleIdentifier", "com.orvane.Kelvra"},
              {"CFBundleName", "Kelvra"},
              {"CFBundleShortVersionString", KELVRA_VERSION},
              {"CFBundleVersion", KELVRA_VERSION}} {
#if defined(KELVRA_UPDATE_FEED) && defined(KELVRA_UPDATE_PUBLIC_KEY)
    if (*KELVRA_UPDATE_FEED && *KELVRA_UPDATE_PUBLIC_KEY) {
        values_["SUFeedURL"] = KELVRA_UPDATE_FEED;
        values_["UpdatePublicKey"] = KELVRA_UPDATE_PUBLIC_KEY;
    }
#endif
}

std::optional<std::string> StaticBundleInfo::infoValue(const std::string& key) {
    auto it = values_.find(key);
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

}  // namespace kelvra::qt
