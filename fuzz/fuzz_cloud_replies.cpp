// Feeds arbitrary bytes to everything that reads what the cloud service or the browser
// sends back: the API's answers, the synced settings blob and the sign-in callback URL.
// A blob that decodes must encode and decode to the same text.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "cloud/ServiceRequest.h"
#include "cloud/SignInCallback.h"
#include "cloud/SyncPayload.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kelvra;
    std::string text(reinterpret_cast<const char*>(data), size);

    auto reply = decodeServiceReply({200, {}, text, {}});
    if (!reply.object.is_object()) std::abort();

    if (auto payload = SyncPayload::decode(text)) {
        std::string blob = payload->blob();
        auto again = SyncPayload::decode(blob);
        if (!again || again->blob() != blob) std::abort();
    }

    if (auto callback = parseSignInCallback(text)) {
        // Whatever was found came from the text.
        if (callback->code.size() > size || callback->state.size() > size) std::abort();
    }
    return 0;
}
