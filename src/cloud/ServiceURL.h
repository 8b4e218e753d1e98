#pragma once

#include <string>

namespace kelvra {

// Where the cloud service lives. Users who run their own service set the settings
// key "cloudServiceURL"; the account, the sync and the crash reports all read it here.
inline constexpr const char* kCloudServiceURLKey = "cloudServiceURL";
inline constexpr const char* kDefaultCloudServiceURL = "https://sync.kelvra.app";

// Whether an address may carry tokens and settings: https, or plain http only to
// this computer (127.0.0.0/8, ::1, localhost). On refusal `why` says why.
bool isAcceptableServiceURL(const std::string& url, std::string& why);

// The base address without a trailing slash: the settings key when it is set and
// acceptable, the default otherwise (a refused address is logged once per call).
std::string cloudServiceURL();

}  // namespace kelvra
