#include "HttpServer.h"

#include <algorithm>
#include <array>
#include <boost/asio/dispatch.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/asio/strand.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <csignal>
#include <cstdio>
#include <limits>
#include <mutex>
#include <thread>
#include <unordered_map>

namespace kelvra::server {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

namespace {

// After a refusal the client may still be sending its body: read and drop a little of
// it for a moment, so the answer is not lost to a reset.
constexpr std::size_t kLingerBytes = 1 << 20;
constexpr std::chrono::milliseconds kLingerTime{1000};

struct Route {
    std::string method;
    std::string path;
    std::size_t bodyLimit;
    HttpHandler handler;
};

std::string addressText(const tcp::endpoint& endpoint) {
    auto address = endpoint.address();
    if (address.is_v6() && address.to_v6().is_v4_mapped()) {
        return asio::ip::make_address_v4(asio::ip::v4_mapped, address.to_v6()).to_string();
    }
    return address.to_string();
}

}  // namespace

class HttpServer::Impl {
  public:
    explicit Impl(HttpLimits limits) : limits_(limits) {
        if (limits_.threads == 0)
            limits_.threads = std::max(2u, std::thread::hardware_concurrency());
    }

    // One connection's place in the caps; given back when the connection ends.
    bool takeSlot(const std::string& address) {
        std::lock_guard lock(slotsMutex_);
        std::size_t& mine = perAddress_[address];
        const auto& uncapped = limits_.uncappedAddresses;
        bool capped = std::find(uncapped.begin(), uncapped.end(), address) == uncapped.end();
        if (total_ >= limits_.maxConnections ||
            (capped && mine >= limits_.maxConnectionsPerAddress)) {
            if (mine == 0) perAddress_.erase(address);
            return false;
        }
        ++mine;
        ++total_;
        return true;
    }
    void giveSlot(const std::string& address) {
        std::lock_guard lock(slotsMutex_);
        auto it = perAddress_.find(address);
        if (it != perAddress_.end() && --it->second == 0) perAddress_.erase(it);
        --total_;
    }

    const Route* findRoute(const HttpRequest& request, bool& pathKnown) const {
        pathKnown = false;
        for (const auto& route : routes_) {
            if (route.path != request.path) continue;
            pathKnown = true;
            if (route.method == request.method) return &route;
        }
        return nullptr;
    }

    HttpResponse errorPage(int status) const {
        if (errorPage_) return errorPage_(status);
        HttpResponse response;
        response.status = status;
        return response;
    }

    void accept();

    HttpLimits limits_;
    std::vector<Route> routes_;
    HttpGate gate_;
    ErrorPage errorPage_;
    std::mutex slotsMutex_;
    std::size_t total_ = 0;
    std::unordered_map<std::string, std::size_t> perAddress_;
    // Destroyed first: connections still queued in the loop give their slots back to
    // the members above.
    asio::io_context io_;
    tcp::acceptor acceptor_{io_};
    std::optional<asio::signal_set> signals_;
};

namespace {

class Session : public std::enable_shared_from_this<Session> {
  public:
    Session(HttpServer::Impl& server, tcp::socket socket, std::string address, bool admitted)
        : server_(server),
          stream_(std::move(socket)),
          address_(std::move(address)),
          admitted_(admitted) {}
    ~Session() {
        if (admitted_) server_.giveSlot(address_);
    }

    void start() {
        if (!admitted_) return refuse(503);
        readHeader();
    }

  private:
    const HttpLimits& limits() const { return server_.limits_; }

    void readHeader() {
        parser_.emplace();
        parser_->header_limit(static_cast<std::uint32_t>(limits().headerBytes));
        // The route's limit is set once the header names the route.
        parser_->body_limit(std::numeric_limits<std::uint64_t>::max());
        stream_.expires_after(limits().headerTimeout);
        http::async_read_header(
            stream_, buffer_, *parser_,
            [self = shared_from_this()](beast::error_code ec, std::size_t) { self->onHeader(ec); });
    }

    void onHeader(beast::error_code ec) {
        if (ec == http::error::header_limit) return refuse(431);
        if (ec == http::error::end_of_stream || ec == beast::error::timeout ||
            ec == asio::error::operation_aborted) {
            return close();
        }
        if (ec) return refuse(400);

        const auto& message = parser_->get();
        request_ = HttpRequest{};
        request_.method = std::string(message.method_string());
        std::string_view target(message.target().data(), message.target().size());
        auto question = target.find('?');
        request_.path = std::string(target.substr(0, question));
        if (question != std::string_view::npos) request_.query = target.substr(question + 1);
        for (const auto& field : message) {
            request_.headers.emplace_back(std::string(field.name_string()),
                                          std::string(field.value()));
        }
        request_.peerAddress = address_;
        keepAlive_ = message.keep_alive();

        bool pathKnown = false;
        route_ = server_.findRoute(request_, pathKnown);
        if (!route_) return refuse(404);
        if (server_.gate_) {
            try {
                if (auto answer = server_.gate_(request_)) return refuse(std::move(*answer));
            } catch (const std::exception& e) {
                std::fprintf(stderr, "kelvra-server: %s %s refused: %s\n", request_.method.c_str(),
                             request_.path.c_str(), e.what());
                return refuse(500);
            }
        }
        auto length = parser_->content_length();
        bool sendsBody = request_.method == "POST" || request_.method == "PUT";
        // Without a length or chunks the body would run to the end of the connection.
        if (sendsBody && !length && !parser_->chunked()) return refuse(411);
        if (length && *length > route_->bodyLimit) return refuse(413);
        parser_->body_limit(route_->bodyLimit);

        if (auto expect = request_.header("Expect");
            expect && beast::iequals(*expect, "100-continue")) {
            auto self = shared_from_this();
            continue_ =
                std::make_shared<http::response<http::empty_body>>(http::status::continue_, 11);
            stream_.expires_after(limits().writeTimeout);
            return http::async_write(stream_, *continue_,
                                     [self](beast::error_code ec, std::size_t) {
                                         if (ec) return self->close();
                                         self->readBody();
                                     });
        }
        readBody();
    }

    void readBody() {
        stream_.expires_after(limits().bodyTimeout);
        http::async_read(
            stream_, buffer_, *parser_,
            [self = shared_from_this()](beast::error_code ec, std::size_t) { self->onBody(ec); });
    }

    void onBody(beast::error_code ec) {
        if (ec == http::error::body_limit) return refuse(413);
        // A deadline that passes has closed the socket already: nothing can be answered.
        if (ec) return close();
        request_.body = std::move(parser_->get().body());
        parser_.reset();
        stream_.expires_never();
        auto self = shared_from_this();
        Respond respond = [self](HttpResponse response) {
            asio::dispatch(self->stream_.get_executor(),
                           [self, response = std::move(response)]() mutable {
                               self->send(std::move(response), !self->keepAlive_, false);
                           });
        };
        try {
            route_->handler(request_, std::move(respond));
        } catch (const std::exception& e) {
            std::fprintf(stderr, "kelvra-server: %s %s failed: %s\n", request_.method.c_str(),
                         request_.path.c_str(), e.what());
            send(server_.errorPage(500), !keepAlive_, false);
        }
    }

    void refuse(int status) { refuse(server_.errorPage(status)); }
    void refuse(HttpResponse response) { send(std::move(response), true, true); }

    void send(HttpResponse response, bool closeAfter, bool linger) {
        auto message = std::make_shared<http::response<http::string_body>>();
        message->version(11);
        message->result(static_cast<unsigned>(response.status));
        for (auto& [name, value] : response.headers) message->set(name, value);
        message->body() = std::move(response.body);
        message->keep_alive(!closeAfter);
        message->prepare_payload();
        stream_.expires_after(limits().writeTimeout);
        http::async_write(stream_, *message,
                          [self = shared_from_this(), message, closeAfter, linger](
                              beast::error_code ec, std::size_t) {
                              if (ec) return self->close();
                              if (!closeAfter) return self->readHeader();
                              if (linger) return self->linger();
                              self->close();
                          });
    }

    void linger() {
        beast::error_code ignored;
        stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
        stream_.expires_after(kLingerTime);
        drain();
    }
    void drain() {
        stream_.async_read_some(asio::buffer(scratch_),
                                [self = shared_from_this()](beast::error_code ec, std::size_t n) {
                                    self->drained_ += n;
                                    if (ec || self->drained_ >= kLingerBytes) return self->close();
                                    self->drain();
                                });
    }

    void close() {
        beast::error_code ignored;
        stream_.socket().shutdown(tcp::socket::shutdown_both, ignored);
        stream_.close();
    }

    HttpServer::Impl& server_;
    beast::tcp_stream stream_;
    std::string address_;
    bool admitted_;
    beast::flat_buffer buffer_;
    std::optional<http::request_parser<http::string_body>> parser_;
    std::shared_ptr<http::response<http::empty_body>> continue_;
    HttpRequest request_;
    const Route* route_ = nullptr;
    bool keepAlive_ = true;
    std::array<char, 4096> scratch_{};
    std::size_t drained_ = 0;
};

}  // namespace

void HttpServer::Impl::accept() {
    acceptor_.async_accept(asio::make_strand(io_), [this](beast::error_code ec,
                                                          tcp::socket socket) {
        if (ec == asio::error::operation_aborted || !acceptor_.is_open()) return;
        if (!ec) {
            beast::error_code endpointError;
            auto endpoint = socket.remote_endpoint(endpointError);
            if (!endpointError) {
                std::string address = addressText(endpoint);
                bool admitted = takeSlot(address);
                std::make_shared<Session>(*this, std::move(socket), std::move(address), admitted)
                    ->start();
            }
        }
        accept();
    });
}

HttpServer::HttpServer(HttpLimits limits) : impl_(std::make_unique<Impl>(limits)) {}

HttpServer::~HttpServer() {
    stop();
}

void HttpServer::route(std::string method, std::string path, std::size_t bodyLimit,
                       HttpHandler handler) {
    impl_->routes_.push_back(
        Route{std::move(method), std::move(path), bodyLimit, std::move(handler)});
}

void HttpServer::setGate(HttpGate gate) {
    impl_->gate_ = std::move(gate);
}

void HttpServer::setErrorPage(ErrorPage page) {
    impl_->errorPage_ = std::move(page);
}

int HttpServer::bind(const std::string& host, int port) {
    beast::error_code ec;
    auto address = asio::ip::make_address(host, ec);
    if (ec) return -1;
    tcp::endpoint endpoint(address, static_cast<unsigned short>(port));
    auto& acceptor = impl_->acceptor_;
    acceptor.open(endpoint.protocol(), ec);
    if (!ec) acceptor.set_option(asio::socket_base::reuse_address(true), ec);
    if (!ec) acceptor.bind(endpoint, ec);
    if (!ec) acceptor.listen(asio::socket_base::max_listen_connections, ec);
    if (ec) {
        acceptor.close(ec);
        return -1;
    }
    return acceptor.local_endpoint().port();
}

bool HttpServer::run() {
    if (!impl_->acceptor_.is_open()) return false;
    impl_->accept();
    std::vector<std::thread> helpers;
    for (unsigned i = 1; i < impl_->limits_.threads; ++i) {
        helpers.emplace_back([this] { impl_->io_.run(); });
    }
    impl_->io_.run();
    for (auto& thread : helpers) thread.join();
    return true;
}

void HttpServer::stop() {
    // A stopped loop stays stopped: a run() that comes later returns at once.
    impl_->io_.stop();
}

void HttpServer::stopOnSignals() {
    impl_->signals_.emplace(impl_->io_, SIGINT, SIGTERM);
    impl_->signals_->async_wait([this](beast::error_code ec, int) {
        if (!ec) stop();
    });
}

}  // namespace kelvra::server
