#pragma once

// Boost 1.74's awaitable.hpp uses std::exchange without including <utility>.
#include <utility>

#include <boost/asio/awaitable.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl/context.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <chrono>
#include <string>
#include <vector>
#include <unordered_set>

#include "service/hash_pool.h"
#include "service/submission.h"

namespace step_service {

// The open connections of one I/O thread: how many there are, and which of them wait for a
// request (or are still in their TLS handshake), so that a stop can close those at once.
// Used from the I/O thread only.
class Connections {
 public:
  explicit Connections(size_t cap) : cap_(cap) {}

  bool Full() const { return open_ >= cap_; }
  bool Stopping() const { return stopping_; }
  // Closes the waiting connections; the others end after the reply they are working on.
  void Stop();

  // One open connection, for as long as it lives.
  class Entry {
   public:
    explicit Entry(Connections& owner) : owner_(owner) { ++owner_.open_; }
    ~Entry();
    Entry(const Entry&) = delete;
    Entry& operator=(const Entry&) = delete;
    // Marks the connection as waiting (`stream` set) or working (nullptr).
    void SetWaiting(boost::beast::tcp_stream* stream);

   private:
    Connections& owner_;
    boost::beast::tcp_stream* waiting_ = nullptr;
  };

 private:
  const size_t cap_;
  size_t open_ = 0;
  bool stopping_ = false;
  std::unordered_set<boost::beast::tcp_stream*> waiting_;
};

// What every connection shares.
struct ConnectionParts {
  boost::asio::ssl::context& tls;
  SubmissionDesk& desk;
  HashPool& pool;
  Connections& connections;
  std::chrono::seconds idleTimeout;
  std::chrono::seconds requestTimeout;
  const std::vector<std::string>& trustedProxies;  // peers whose X-Forwarded-For names the client
};

// Serves one accepted connection: TLS handshake, then requests one after the other (pipelined
// ones in order) until the client closes, a deadline passes, or the service stops. A
// submission runs on the hash pool while the I/O thread serves the others.
boost::asio::awaitable<void> ServeConnection(boost::asio::ip::tcp::socket socket,
                                             ConnectionParts& parts);

}  // namespace step_service
