#include "cloud/ServiceRequest.h"

#include <utility>

#include "cloud/ServiceURL.h"
#include "port/Platform.h"

namespace kelvra {

namespace {

// Replies nest a level or two; the limit keeps hostile data from the parser's recursion.
constexpr int maxDepth = 32;
struct TooDeep {};

nlohmann::json objectIn(const std::string& body) {
    try {
        auto j = nlohmann::json::parse(
            body, [](int depth, nlohmann::json::parse_event_t, nlohmann::json&) {
                if (depth > maxDepth) throw TooDeep{};
                return true;
            });
        if (j.is_object()) return j;
    } catch (const TooDeep&) {
    } catch (const nlohmann::json::exception&) {
    }
    return nlohmann::json::object();
}

void answerLater(std::function<void(ServiceReply)> done, std::string error) {
    ServiceReply reply;
    reply.error = std::move(error);
    platform().runLoop->post([done = std::move(done), reply = std::move(reply)] { done(reply); });
}

}  // namespace

std::optional<port::HttpRequest> makeServiceRequest(const std::string& base,
                                                    const ServiceCall& call) {
    port::HttpRequest request;
    request.method = call.method;
    request.url = base + "/api/" + call.path;
    request.timeoutSeconds = serviceTimeoutSeconds;
    request.maxResponseBytes = maxServiceReplyBytes;
    request.headers.emplace_back("Accept", "application/json");
    if (call.token) request.headers.emplace_back("Authorization", "Bearer " + *call.token);
    if (call.body) {
        try {
            request.body = call.body->dump();
        } catch (const nlohmann::json::exception&) {
            return std::nullopt;
        }
        request.headers.emplace_back("Content-Type", "application/json");
    }
    return request;
}

ServiceReply decodeServiceReply(const port::HttpResponse& response) {
    ServiceReply reply;
    reply.status = response.status;
    reply.error = response.error;
    if (reply.status == 0 && reply.error.empty()) reply.error = "no answer";
    if (reply.ok()) reply.object = objectIn(response.body);
    return reply;
}

void sendServiceRequest(const ServiceCall& call, std::function<void(ServiceReply)> done) {
    auto* http = platform().http;
    if (!http) {
        answerLater(std::move(done), "no network service");
        return;
    }
    auto request = makeServiceRequest(cloudServiceURL(), call);
    if (!request) {
        answerLater(std::move(done), "the request body cannot be encoded");
        return;
    }
    http->send(std::move(*request), [done = std::move(done)](port::HttpResponse response) {
        done(decodeServiceReply(response));
    });
}

}  // namespace kelvra
