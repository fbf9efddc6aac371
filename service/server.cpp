#include "service/server.h"

#include <signal.h>
#include <sys/resource.h>

// Boost 1.74's awaitable.hpp uses std::exchange without including <utility>.
#include <utility>

#include <boost/asio/co_spawn.hpp>
#include <boost/asio/detached.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/redirect_error.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/use_awaitable.hpp>
#include <cstdio>
#include <fstream>
#include <memory>

#include "service/account_store.h"
#include "service/connection.h"
#include "service/hash_pool.h"
#include "service/rate_limiter.h"
#include "service/request_log.h"
#include "service/submission.h"

namespace step_service {
namespace {

namespace asio = boost::asio;
using asio::ip::tcp;

// A submission that would wait longer than this for the hash is refused with 503 at once.
// Kept well below the two seconds a client should wait at most for an answer.
constexpr auto kMaxQueuedWork = std::chrono::milliseconds(1000);
constexpr size_t kDefaultMaxConnections = 2048;
// Descriptors kept free for the store, the log and the process itself.
constexpr rlim_t kSpareDescriptors = 64;
// How long accepting pauses when the process is out of descriptors.
constexpr auto kAcceptPause = std::chrono::milliseconds(50);

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

// Lifts the soft open-file limit to the hard one and returns how many connections fit in it.
size_t ConnectionsTheLimitAllows() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return kDefaultMaxConnections;
  if (limit.rlim_cur < limit.rlim_max) {
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
    getrlimit(RLIMIT_NOFILE, &limit);
  }
  if (limit.rlim_cur == RLIM_INFINITY) return SIZE_MAX;
  return limit.rlim_cur > 2 * kSpareDescriptors ? limit.rlim_cur - kSpareDescriptors
                                                : kSpareDescriptors;
}

// Accepts until the acceptor is closed. Above the cap the newest connection is closed at once,
// so the ones already open keep being served.
asio::awaitable<void> Accept(tcp::acceptor& acceptor, ConnectionParts& parts) {
  const auto executor = acceptor.get_executor();
  asio::steady_timer pause(executor);
  boost::system::error_code error;
  auto onError = asio::redirect_error(asio::use_awaitable, error);
  for (;;) {
    tcp::socket socket = co_await acceptor.async_accept(onError);
    if (!acceptor.is_open()) co_return;
    if (error) {
      // Out of descriptors or memory: wait for connections to end instead of spinning.
      pause.expires_after(kAcceptPause);
      co_await pause.async_wait(onError);
      continue;
    }
    if (parts.connections.Full()) continue;  // the socket closes as it goes
    socket.set_option(tcp::no_delay(true), error);
    asio::co_spawn(executor, ServeConnection(std::move(socket), parts), asio::detached);
  }
}

bool SetUpTls(asio::ssl::context& tls, const ServeOptions& options) {
  SSL_CTX_set_min_proto_version(tls.native_handle(), TLS1_2_VERSION);
  // An idle connection keeps no read or write buffer.
  SSL_CTX_set_mode(tls.native_handle(), SSL_MODE_RELEASE_BUFFERS);
  boost::system::error_code error;
  tls.use_certificate_chain_file(options.certFile, error);
  if (!error) tls.use_private_key_file(options.keyFile, asio::ssl::context::pem, error);
  return !error;
}

bool Listen(tcp::acceptor& acceptor, const ServeOptions& options) {
  boost::system::error_code error;
  const auto address = asio::ip::make_address(options.host, error);
  if (error) return false;
  const tcp::endpoint endpoint(address, static_cast<unsigned short>(options.port));
  acceptor.open(endpoint.protocol(), error);
  if (!error) acceptor.set_option(tcp::acceptor::reuse_address(true), error);
  if (!error) acceptor.bind(endpoint, error);
  if (!error) acceptor.listen(asio::socket_base::max_listen_connections, error);
  return !error;
}

}  // namespace

int Serve(const ServeOptions& options) {
  // A client that hangs up mid-reply must not kill the process.
  signal(SIGPIPE, SIG_IGN);
  const size_t maxConnections = std::min(
      ConnectionsTheLimitAllows(), options.maxConnections > 0
                                       ? static_cast<size_t>(options.maxConnections)
                                       : kDefaultMaxConnections);

  asio::ssl::context tls(asio::ssl::context::tls_server);
  if (!SetUpTls(tls, options)) {
    std::fprintf(stderr, "step-service: cannot use certificate %s with key %s\n",
                 options.certFile.c_str(), options.keyFile.c_str());
    return 1;
  }
  std::unique_ptr<AccountStore> store = AccountStore::Open(options.dbFile, true);
  if (!store) return 1;
  RateLimiter limiter(*store, BackOffLimits{});
  SubmissionDesk desk(*store, limiter);

  // One thread does all the network work; the hashing (and the store) runs on the pool. The
  // pool is declared after the desk so that it finishes its jobs before the desk goes.
  asio::io_context io(1);
  tcp::acceptor acceptor(io);
  if (!Listen(acceptor, options)) {
    std::fprintf(stderr, "step-service: cannot listen on %s:%d\n", options.host.c_str(),
                 options.port);
    return 1;
  }
  const int port = acceptor.local_endpoint().port();
  if (!options.portFile.empty() && !WritePortFile(options.portFile, port)) {
    std::fprintf(stderr, "step-service: cannot write %s\n", options.portFile.c_str());
    return 1;
  }
  HashPool pool(0, kMaxQueuedWork);
  Connections connections(maxConnections);
  ConnectionParts parts{tls,
                        desk,
                        pool,
                        connections,
                        std::chrono::seconds(options.idleTimeoutSeconds),
                        std::chrono::seconds(options.requestTimeoutSeconds),
                        options.trustedProxies};

  asio::signal_set signals(io, SIGINT, SIGTERM);
  signals.async_wait([&](const boost::system::error_code& error, int signal) {
    if (error) return;
    WriteServiceLine(signal == SIGINT ? "stopping on SIGINT" : "stopping on SIGTERM");
    boost::system::error_code ignored;
    acceptor.close(ignored);
    connections.Stop();
  });
  asio::co_spawn(io, Accept(acceptor, parts), asio::detached);

  const bool ipv6 = options.host.find(':') != std::string::npos;
  WriteServiceLine("listening on " + (ipv6 ? "[" + options.host + "]" : options.host) + ":" +
                   std::to_string(port));
  // Returns once the acceptor is closed and every connection and pool job has ended.
  io.run();
  store.reset();
  WriteServiceLine("stopped");
  return 0;
}

}  // namespace step_service
