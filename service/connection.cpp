#include "service/connection.h"

#include <boost/asio/co_spawn.hpp>
#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/redirect_error.hpp>
#include <boost/asio/this_coro.hpp>
#include <boost/asio/use_awaitable.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>
#include <memory>
#include <string>
#include <string_view>

#include "service/request_log.h"
#include "service/routes.h"
#include "service/source_address.h"

namespace step_service {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using std::chrono::steady_clock;
using Stream = beast::ssl_stream<beast::tcp_stream>;

constexpr size_t kMaxHeaderBytes = 8192;
constexpr size_t kMaxBodyBytes = 8192;
constexpr size_t kReadChunk = 4096;
constexpr auto kCloseTimeout = std::chrono::seconds(1);

std::string_view View(beast::string_view text) { return {text.data(), text.size()}; }

struct SubmissionResult {
  Reply reply;
  std::string account;
};

// Runs the submission on the hash pool and resumes with its result on this connection's
// executor; a full pool answers 503 at once.
asio::awaitable<SubmissionResult> SubmitOnPool(ConnectionParts& parts, std::string query,
                                               std::string source) {
  const auto executor = co_await asio::this_coro::executor;
  co_return co_await asio::async_initiate<const asio::use_awaitable_t<>&, void(SubmissionResult)>(
      [&parts, executor](auto handler, std::string query, std::string source) {
        using Handler = decltype(handler);
        auto waiting = std::make_shared<Handler>(std::move(handler));
        // Resumes the connection on its own thread; the handler is moved out there, so it is
        // also destroyed there.
        auto resume = [waiting, executor](SubmissionResult result) {
          asio::post(executor, [waiting, result = std::move(result)]() mutable {
            Handler handler = std::move(*waiting);
            handler(std::move(result));
          });
        };
        // Keeps the I/O loop running while the job is away on the pool.
        auto work = asio::make_work_guard(executor);
        std::chrono::seconds retryAfter{0};
        const bool queued = parts.pool.TryPost(
            [&parts, resume, work, query = std::move(query),
             source = std::move(source)](ScryptArea& area) {
              SubmissionResult result;
              result.reply = parts.desk.Submit(query, source, area, result.account);
              resume(std::move(result));
            },
            retryAfter);
        if (!queued) resume({OutcomeReply(Outcome::kBusy, retryAfter), {}});
      },
      asio::use_awaitable, std::move(query), std::move(source));
}

http::response<http::string_body> Response(const Reply& reply, const Route& route,
                                           unsigned version) {
  http::response<http::string_body> response(static_cast<http::status>(reply.status), version);
  response.set(http::field::content_type, "application/json; charset=utf-8");
  response.set(http::field::cache_control, "no-store");
  if (reply.retryAfter.count() > 0) {
    response.set(http::field::retry_after, std::to_string(reply.retryAfter.count()));
  }
  if (!route.allow.empty()) {
    response.set(http::field::allow, beast::string_view(route.allow.data(), route.allow.size()));
  }
  response.body() = reply.body;
  response.prepare_payload();
  // A reply to HEAD says how long the body would be, and sends none.
  if (route.headOnly) response.body().clear();
  return response;
}

// A parse failure the client should hear about, as opposed to a connection that simply ended.
bool IsMalformed(const beast::error_code& error) {
  return error.category() == http::make_error_code(http::error::bad_method).category() &&
         error != http::error::end_of_stream && error != http::error::partial_message;
}

}  // namespace

void Connections::Stop() {
  stopping_ = true;
  for (beast::tcp_stream* stream : waiting_) stream->cancel();
}

Connections::Entry::~Entry() {
  SetWaiting(nullptr);
  --owner_.open_;
}

void Connections::Entry::SetWaiting(beast::tcp_stream* stream) {
  if (waiting_) owner_.waiting_.erase(waiting_);
  waiting_ = stream;
  if (waiting_) owner_.waiting_.insert(waiting_);
}

asio::awaitable<void> ServeConnection(asio::ip::tcp::socket socket, ConnectionParts& parts) {
  Connections::Entry entry(parts.connections);
  beast::error_code error;
  const auto peer = socket.remote_endpoint(error);
  const std::string source = error ? std::string() : peer.address().to_string();
  Stream stream(beast::tcp_stream(std::move(socket)), parts.tls);
  beast::tcp_stream& tcp = beast::get_lowest_layer(stream);
  auto onError = asio::redirect_error(asio::use_awaitable, error);

  // A new connection is as idle as a kept-alive one until its handshake starts.
  tcp.expires_after(std::min(parts.idleTimeout, parts.requestTimeout));
  entry.SetWaiting(&tcp);
  co_await stream.async_handshake(asio::ssl::stream_base::server, onError);
  entry.SetWaiting(nullptr);
  if (error) co_return;

  beast::flat_buffer buffer(kMaxHeaderBytes + kMaxBodyBytes);
  bool closeCleanly = false;
  for (;;) {
    // Pipelined requests are already in the buffer; otherwise wait for the next one's first
    // bytes no longer than the idle time-out.
    if (buffer.size() == 0) {
      if (parts.connections.Stopping()) break;
      tcp.expires_after(parts.idleTimeout);
      entry.SetWaiting(&tcp);
      const size_t got = co_await stream.async_read_some(buffer.prepare(kReadChunk), onError);
      entry.SetWaiting(nullptr);
      if (error) break;
      buffer.commit(got);
    }
    // From the first byte, the whole request and its reply have one deadline.
    const auto start = steady_clock::now();
    tcp.expires_after(parts.requestTimeout);
    http::request_parser<http::string_body> parser;
    parser.header_limit(kMaxHeaderBytes);
    parser.body_limit(kMaxBodyBytes);
    co_await http::async_read(stream, buffer, parser, onError);

    RequestLine line;
    Route route;
    SubmissionResult result;
    unsigned version = 11;
    if (!error) {
      const auto& request = parser.get();
      version = request.version();
      line.method = View(request.method_string());
      route = RouteRequest(line.method, View(request.target()));
      line.path = PathOf(View(request.target()));
      if (route.submission) {
        const std::string client = ClientAddress(
            source, View(request["X-Forwarded-For"]), parts.trustedProxies);
        result = co_await SubmitOnPool(parts, std::string(route.query), client);
      } else {
        result.reply = route.reply;
      }
    } else if (IsMalformed(error)) {
      result.reply = OutcomeReply(Outcome::kBadRequest);
    } else {
      break;  // the client went away or ran out of time
    }

    auto response = Response(result.reply, route, version);
    response.keep_alive(!error && parser.get().keep_alive() && !parts.connections.Stopping());
    co_await http::async_write(stream, response, onError);

    line.account = result.account;
    line.outcome = OutcomeName(result.reply.outcome);
    line.status = result.reply.status;
    line.duration = steady_clock::now() - start;
    WriteRequestLine(line);
    if (error) co_return;
    if (!response.keep_alive()) {
      closeCleanly = true;
      break;
    }
  }
  if (closeCleanly) {
    tcp.expires_after(kCloseTimeout);
    co_await stream.async_shutdown(onError);
  }
}

}  // namespace step_service
