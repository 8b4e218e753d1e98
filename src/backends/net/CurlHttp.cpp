#include "backends/net/CurlHttp.h"

#include <curl/curl.h>

#include <cctype>
#include <map>
#include <mutex>
#include <utility>

namespace kelvra::net {

namespace {

std::once_flag curlInitialised;

std::string trimmed(std::string text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
    size_t start = 0;
    while (start < text.size() && std::isspace(static_cast<unsigned char>(text[start]))) ++start;
    return text.substr(start);
}

}  // namespace

struct CurlHttp::Transfer {
    port::HttpRequest request;
    std::function<void(port::HttpResponse)> done;
    port::RunLoop* loop = nullptr;
    CURL* easy = nullptr;
    curl_slist* headerList = nullptr;
    port::HttpResponse response;
    bool tooLarge = false;
    uint64_t reported = 0;
    char errorText[CURL_ERROR_SIZE] = {};

    ~Transfer() {
        if (easy) curl_easy_cleanup(easy);
        if (headerList) curl_slist_free_all(headerList);
    }

    static size_t onBody(char* data, size_t size, size_t count, void* user) {
        auto* t = static_cast<Transfer*>(user);
        size_t n = size * count;
        if (t->response.body.size() + n > t->request.maxResponseBytes) {
            t->tooLarge = true;
            return 0;  // curl ends the transfer with a write error
        }
        t->response.body.append(data, n);
        return n;
    }

    static size_t onHeader(char* data, size_t size, size_t count, void* user) {
        auto* t = static_cast<Transfer*>(user);
        size_t n = size * count;
        std::string line(data, n);
        if (line.rfind("HTTP/", 0) == 0) {
            t->response.headers.clear();  // a new answer (after 100 Continue, say)
        } else if (auto colon = line.find(':'); colon != std::string::npos) {
            t->response.headers.emplace_back(trimmed(line.substr(0, colon)),
                                             trimmed(line.substr(colon + 1)));
        }
        return n;
    }

    static int onProgress(void* user, curl_off_t total, curl_off_t now, curl_off_t, curl_off_t) {
        auto* t = static_cast<Transfer*>(user);
        if (t->request.progress && now > 0 && static_cast<uint64_t>(now) != t->reported) {
            t->reported = static_cast<uint64_t>(now);
            t->loop->post([progress = t->request.progress, now, total] {
                progress(static_cast<uint64_t>(now), static_cast<uint64_t>(total));
            });
        }
        return 0;
    }

    // False when curl refused an option; the transfer then ends at once with the reason.
    bool prepare() {
        easy = curl_easy_init();
        if (!easy) return false;
        for (const auto& [name, value] : request.headers) {
            headerList = curl_slist_append(headerList, (name + ": " + value).c_str());
        }
        // No "Expect: 100-continue" round trip for small bodies.
        headerList = curl_slist_append(headerList, "Expect:");
        long timeoutMs = static_cast<long>(request.timeoutSeconds * 1000);
        bool ok =
            curl_easy_setopt(easy, CURLOPT_URL, request.url.c_str()) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, timeoutMs > 0 ? timeoutMs : 1L) ==
                CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE,
                             static_cast<curl_off_t>(request.maxResponseBytes)) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headerList) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errorText) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Transfer::onBody) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_WRITEDATA, this) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &Transfer::onHeader) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_HEADERDATA, this) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &Transfer::onProgress) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_XFERINFODATA, this) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_PRIVATE, this) == CURLE_OK;
        if (!ok) return false;
        if (request.method == "GET") return true;
        if (request.method == "HEAD") return curl_easy_setopt(easy, CURLOPT_NOBODY, 1L) == CURLE_OK;
        // Any other method carries the body, even an empty one.
        return curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE,
                                static_cast<curl_off_t>(request.body.size())) == CURLE_OK &&
               curl_easy_setopt(easy, CURLOPT_POSTFIELDS, request.body.data()) == CURLE_OK &&
               curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, request.method.c_str()) == CURLE_OK;
    }

    // Posts the answer to the run loop; the transfer is finished with afterwards.
    void finish(CURLcode result) {
        port::HttpResponse answer = std::move(response);
        if (result == CURLE_OK) {
            long status = 0;
            curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
            answer.status = static_cast<int>(status);
        } else {
            answer.status = 0;
            answer.body.clear();
            answer.headers.clear();
            if (tooLarge || result == CURLE_FILESIZE_EXCEEDED) {
                answer.error = "the answer is larger than " +
                               std::to_string(request.maxResponseBytes) + " bytes";
            } else {
                answer.error = errorText[0] ? errorText : curl_easy_strerror(result);
            }
        }
        loop->post([done = std::move(done), answer = std::move(answer)] { done(answer); });
    }
};

CurlHttp::CurlHttp(port::RunLoop& loop) : loop_(loop) {
    std::call_once(curlInitialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    multi_ = curl_multi_init();
    worker_ = std::thread([this] { run(); });
}

CurlHttp::~CurlHttp() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    curl_multi_wakeup(static_cast<CURLM*>(multi_));
    worker_.join();
    curl_multi_cleanup(static_cast<CURLM*>(multi_));
}

void CurlHttp::send(port::HttpRequest request, std::function<void(port::HttpResponse)> done) {
    auto transfer = std::make_unique<Transfer>();
    transfer->request = std::move(request);
    transfer->done = std::move(done);
    transfer->loop = &loop_;
    {
        std::lock_guard lock(mutex_);
        incoming_.push_back(std::move(transfer));
    }
    curl_multi_wakeup(static_cast<CURLM*>(multi_));
}

void CurlHttp::run() {
    auto* multi = static_cast<CURLM*>(multi_);
    std::map<CURL*, std::unique_ptr<Transfer>> active;
    for (;;) {
        std::deque<std::unique_ptr<Transfer>> fresh;
        {
            std::lock_guard lock(mutex_);
            if (stopping_) break;
            fresh.swap(incoming_);
        }
        for (auto& t : fresh) {
            if (!t->prepare() || curl_multi_add_handle(multi, t->easy) != CURLM_OK) {
                t->finish(CURLE_FAILED_INIT);
                continue;
            }
            CURL* key = t->easy;
            active.emplace(key, std::move(t));
        }
        int running = 0;
        curl_multi_perform(multi, &running);
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
            if (message->msg != CURLMSG_DONE) continue;
            CURL* easy = message->easy_handle;
            CURLcode result = message->data.result;
            auto it = active.find(easy);
            curl_multi_remove_handle(multi, easy);
            if (it == active.end()) continue;
            it->second->finish(result);
            active.erase(it);
        }
        // Sleeps until a socket is ready, a timeout is due, or send() or the destructor
        // wakes us (a wake-up before the wait is kept); with nothing in flight there is
        // nothing to time, so an idle Kelvra is not woken every second.
        const int waitMs = active.empty() ? 24 * 3600 * 1000 : 1000;
        curl_multi_poll(multi, nullptr, 0, waitMs, nullptr);
    }
    for (auto& [easy, t] : active) curl_multi_remove_handle(multi, easy);
}

}  // namespace kelvra::net
