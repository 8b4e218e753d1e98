#include "backends/sim/SimApplications.h"

namespace kelvra::sim {

std::vector<port::RunningApplication> SimApplications::runningApplications() {
    std::vector<port::RunningApplication> list;
    for (const auto& [_, app] : s_.apps) list.push_back(app.info);
    return list;
}

std::optional<port::RunningApplication> SimApplications::frontmostApplication() {
    if (!s_.frontmost) return std::nullopt;
    return application(*s_.frontmost);
}

std::optional<port::RunningApplication> SimApplications::application(int32_t pid) {
    auto it = s_.apps.find(pid);
    if (it == s_.apps.end()) return std::nullopt;
    return it->second.info;
}

bool SimApplications::activate(int32_t pid) {
    s_.activateRequests.push_back(pid);
    if (!s_.apps.count(pid)) return false;
    s_.setFrontmost(pid);
    return true;
}

bool SimApplications::terminate(int32_t pid) {
    s_.terminateRequests.push_back(pid);
    if (!s_.apps.count(pid) || pid == s_.ownPid) return false;
    if (s_.terminateQuits) quit(pid);
    return true;
}

bool SimApplications::launch(const std::string& appId) {
    s_.launchRequests.push_back(appId);
    return !appId.empty();
}

void SimApplications::quit(int32_t pid) {
    if (pid == s_.ownPid) misuse("the own process cannot quit");
    port::RunningApplication info = s_.app(pid).info;
    for (uint64_t w : std::vector<uint64_t>(s_.apps.at(pid).windows)) s_.removeWindow(w);
    s_.apps.erase(pid);
    if (s_.frontmost == pid) s_.setFrontmost(std::nullopt);
    s_.terminated.post(s_.loop, info);
}

}  // namespace kelvra::sim
