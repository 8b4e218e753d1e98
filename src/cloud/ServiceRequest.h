#pragma once

#include <functional>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "port/Http.h"

namespace kelvra {

// One request to the cloud service's API, `<base>/api/<path>`.
struct ServiceCall {
    std::string method = "GET";
    std::string path;  // e.g. "app/token", "sync/kelvra"
    std::optional<std::string> token;
    std::optional<nlohmann::json> body;  // sent as JSON
};

// What came back, decoded once for the account and the sync.
struct ServiceReply {
    int status = 0;     // 0 when no answer arrived
    std::string error;  // why no answer arrived (the network, a timeout, a body too large)
    nlohmann::json object = nlohmann::json::object();  // a 2xx body; {} when not a JSON object

    bool ok() const { return status >= 200 && status <= 299; }
};

inline constexpr double serviceTimeoutSeconds = 60;
// The settings blob is the largest answer; it is capped far below this where it is kept.
inline constexpr size_t maxServiceReplyBytes = size_t{8} << 20;

// The HTTP request for a call on `base` (no trailing slash); nothing when the body
// cannot be encoded (text that is not UTF-8).
std::optional<port::HttpRequest> makeServiceRequest(const std::string& base,
                                                    const ServiceCall& call);

// Any answer to a reply: a 2xx body that is not a JSON object counts as {}.
ServiceReply decodeServiceReply(const port::HttpResponse& response);

// Sends the call to cloudServiceURL() through the platform's HTTP service; `done` runs
// once, on the run loop, never inside this call. The token never reaches the log.
void sendServiceRequest(const ServiceCall& call, std::function<void(ServiceReply)> done);

}  // namespace kelvra
