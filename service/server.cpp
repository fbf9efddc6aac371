#include "service/server.h"

#include <httplib.h>
#include <openssl/ssl.h>
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <optional>
#include <thread>

#include "service/account_store.h"
#include "service/rate_limiter.h"
#include "service/replies.h"
#include "service/request_log.h"
#include "service/submission.h"

namespace step_service {
namespace {

using std::chrono::steady_clock;

constexpr int kMaxFailures = 5;
constexpr auto kFailureWindow = std::chrono::minutes(10);
// Connections wait mostly on the network; hashing has its own, smaller limit.
constexpr size_t kWorkerThreads = 64;
constexpr size_t kKeepAliveRequests = 100;
constexpr size_t kMaxBodyBytes = 8192;

// What a handler learnt about its request, for the log line written after the reply is sent.
// cpp-httplib serves a request from parsing to logging on one worker thread.
struct RequestNote {
  std::optional<steady_clock::time_point> start;
  std::string account;
  const char* outcome = nullptr;
};
thread_local RequestNote note;

void SetReply(httplib::Response& response, const Reply& reply) {
  response.status = reply.status;
  response.set_header("Cache-Control", "no-store");
  if (reply.retryAfter.count() > 0) {
    response.set_header("Retry-After", std::to_string(reply.retryAfter.count()));
  }
  response.set_content(reply.body, "application/json; charset=utf-8");
  note.outcome = OutcomeName(reply.outcome);
}

Outcome OutcomeOfStatus(int status) {
  if (status == 404) return Outcome::kNotFound;
  if (status >= 500) return Outcome::kServerError;
  return Outcome::kBadRequest;
}

void Route(httplib::SSLServer& server, SubmissionDesk& desk) {
  server.set_pre_routing_handler([](const httplib::Request&, httplib::Response&) {
    note = RequestNote{steady_clock::now(), {}, nullptr};
    return httplib::Server::HandlerResponse::Unhandled;
  });

  server.Get("/api/mi", [&desk](const httplib::Request& request, httplib::Response& response) {
    // cpp-httplib routes HEAD here too; a HEAD must not record anything.
    if (request.method == "HEAD") {
      response.set_header("Allow", "GET");
      SetReply(response, OutcomeReply(Outcome::kMethodNotAllowed));
      return;
    }
    // The raw target, not cpp-httplib's decoded params: those would take '+' for a space, let
    // repeated keys and broken escapes through, and could not tell what was malformed.
    const size_t mark = request.target.find('?');
    const std::string_view query = mark == std::string::npos
                                       ? std::string_view()
                                       : std::string_view(request.target).substr(mark + 1);
    SetReply(response, desk.Submit(query, note.account));
  });

  server.Get("/healthz", [](const httplib::Request&, httplib::Response& response) {
    SetReply(response, OutcomeReply(Outcome::kHealthy));
  });

  // Other methods are refused. A body that was announced is read and dropped (up to a limit)
  // so the next request on the connection starts where it should; without one, nothing is
  // waited for.
  const auto refuseMethod = [](const httplib::Request& request, httplib::Response& response,
                                const httplib::ContentReader& contentReader) {
    if (request.has_header("Content-Length") || request.has_header("Transfer-Encoding")) {
      size_t dropped = 0;
      contentReader([&dropped](const char*, size_t length) {
        dropped += length;
        return dropped <= kMaxBodyBytes;
      });
    }
    const bool known = request.path == "/api/mi" || request.path == "/healthz";
    if (known) response.set_header("Allow", request.path == "/api/mi" ? "GET" : "GET, HEAD");
    SetReply(response, OutcomeReply(known ? Outcome::kMethodNotAllowed : Outcome::kNotFound));
  };
  server.Post(".*", refuseMethod);
  server.Put(".*", refuseMethod);
  server.Patch(".*", refuseMethod);
  server.Delete(".*", refuseMethod);

  // Unknown paths and requests cpp-httplib refused itself get a JSON reply too; replies that
  // already carry one are left alone.
  server.set_error_handler(httplib::Server::HandlerWithResponse(
      [](const httplib::Request&, httplib::Response& response) {
        if (!response.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
        Reply reply = OutcomeReply(OutcomeOfStatus(response.status));
        reply.status = response.status;
        SetReply(response, reply);
        return httplib::Server::HandlerResponse::Handled;
      }));

  // Never let an exception's text reach the client.
  server.set_exception_handler(
      [](const httplib::Request&, httplib::Response& response, std::exception_ptr) {
        response.headers.clear();
        SetReply(response, OutcomeReply(Outcome::kServerError));
      });

  server.set_logger([](const httplib::Request& request, const httplib::Response& response) {
    RequestLine line;
    line.method = request.method;
    line.path = request.path;
    line.account = note.account;
    line.outcome = note.outcome ? note.outcome : OutcomeName(OutcomeOfStatus(response.status));
    line.status = response.status;
    line.timed = note.start.has_value();
    if (note.start) line.duration = steady_clock::now() - *note.start;
    WriteRequestLine(line);
    note = RequestNote{};
  });
}

bool WritePortFile(const std::string& path, int port) {
  // Written whole under a temporary name and renamed, so a reader never sees half a number.
  const std::string temporary = path + ".tmp";
  {
    std::ofstream out(temporary, std::ios::trunc);
    out << port << '\n';
    if (!out.flush()) return false;
  }
  return std::rename(temporary.c_str(), path.c_str()) == 0;
}

// Waits for SIGINT or SIGTERM (blocked in every thread, so only this one sees them) and stops
// the server. SIGUSR1 only wakes it when the server ended on its own.
class StopOnSignal {
 public:
  explicit StopOnSignal(httplib::Server& server) : server_(server) {
    sigemptyset(&signals_);
    sigaddset(&signals_, SIGINT);
    sigaddset(&signals_, SIGTERM);
    sigaddset(&signals_, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &signals_, nullptr);
    waiter_ = std::thread([this] { Wait(); });
  }

  ~StopOnSignal() {
    finished_ = true;
    pthread_kill(waiter_.native_handle(), SIGUSR1);
    waiter_.join();
  }

 private:
  void Wait() {
    int signal = 0;
    sigwait(&signals_, &signal);
    if (finished_) return;
    WriteServiceLine(signal == SIGINT ? "stopping on SIGINT" : "stopping on SIGTERM");
    // A signal may come before the accept loop has started; stop() only works once it runs.
    while (!finished_ && !server_.is_running()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    server_.stop();
  }

  httplib::Server& server_;
  sigset_t signals_;
  std::atomic<bool> finished_{false};
  std::thread waiter_;
};

}  // namespace

int Serve(const ServeOptions& options) {
  // A client that hangs up mid-reply must not kill the process.
  signal(SIGPIPE, SIG_IGN);

  // Declared first, so it is destroyed last; listen_after_bind() only returns once every
  // worker thread has finished, so nothing uses the store after that.
  httplib::SSLServer server(options.certFile.c_str(), options.keyFile.c_str());
  if (!server.is_valid()) {
    std::fprintf(stderr, "step-service: cannot use certificate %s with key %s\n",
                 options.certFile.c_str(), options.keyFile.c_str());
    return 1;
  }
  std::unique_ptr<AccountStore> store = AccountStore::Open(options.dbFile, true);
  if (!store) return 1;
  RateLimiter limiter(kMaxFailures, kFailureWindow);
  SubmissionDesk desk(*store, limiter);

  SSL_CTX_set_min_proto_version(server.ssl_context(), TLS1_2_VERSION);
  server.new_task_queue = [] { return new httplib::ThreadPool(kWorkerThreads); };
  server.set_read_timeout(options.idleTimeoutSeconds);
  server.set_write_timeout(options.idleTimeoutSeconds);
  server.set_keep_alive_timeout(options.idleTimeoutSeconds);
  server.set_keep_alive_max_count(kKeepAliveRequests);
  server.set_payload_max_length(kMaxBodyBytes);
  // Replies go out in several small TLS writes; Nagle would hold the last one back until the
  // client's delayed ACK, some 40 ms per request.
  server.set_tcp_nodelay(true);
  Route(server, desk);

  StopOnSignal stop_on_signal(server);
  const int port = options.port == 0
                       ? server.bind_to_any_port(options.host)
                       : (server.bind_to_port(options.host, options.port) ? options.port : -1);
  if (port <= 0) {
    std::fprintf(stderr, "step-service: cannot listen on %s:%d\n", options.host.c_str(),
                 options.port);
    return 1;
  }
  if (!options.portFile.empty() && !WritePortFile(options.portFile, port)) {
    std::fprintf(stderr, "step-service: cannot write %s\n", options.portFile.c_str());
    return 1;
  }
  const bool ipv6 = options.host.find(':') != std::string::npos;
  WriteServiceLine("listening on " + (ipv6 ? "[" + options.host + "]" : options.host) + ":" +
                   std::to_string(port));
  server.listen_after_bind();
  store.reset();
  WriteServiceLine("stopped");
  return 0;
}

}  // namespace step_service
