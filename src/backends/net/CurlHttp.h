#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "port/Http.h"
#include "port/RunLoop.h"

namespace kelvra::net {

// HTTP(S) through libcurl. One worker thread drives every transfer at once (curl's
// multi interface); answers and progress are posted to the run loop. Certificates and
// host names are always verified; redirects are not followed, so a token never
// travels anywhere the request did not name. Transfers still running when this object
// is destroyed are abandoned without an answer.
class CurlHttp final : public port::Http {
  public:
    explicit CurlHttp(port::RunLoop& loop);
    ~CurlHttp() override;
    CurlHttp(const CurlHttp&) = delete;
    CurlHttp& operator=(const CurlHttp&) = delete;

    void send(port::HttpRequest request, std::function<void(port::HttpResponse)> done) override;

  private:
    struct Transfer;
    void run();

    port::RunLoop& loop_;
    void* multi_ = nullptr;  // CURLM*, kept out of this header
    std::mutex mutex_;
    std::deque<std::unique_ptr<Transfer>> incoming_;
    bool stopping_ = false;
    std::thread worker_;
};

}  // namespace kelvra::net
