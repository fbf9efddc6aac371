#include "tests/support/loopback_proxies.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "tests/support/loopback_listener.h"

namespace test_support {

namespace {

// Splits "host:port" (port optional) into its parts.
void SplitHostPort(const std::string& text, std::string& host, int& port, int defaultPort) {
  std::size_t colon = text.rfind(':');
  host = text.substr(0, colon);
  port = colon == std::string::npos ? defaultPort : std::atoi(text.c_str() + colon + 1);
}

// An outbound socket the listener can wake at stop, closed when the handler leaves.
class Outbound {
 public:
  Outbound(LoopbackListener& listener, const std::string& host, int port)
      : listener_(listener), fd_(IsLoopbackHost(host) ? ConnectTo(host, port) : -1) {
    if (fd_ >= 0) listener_.Track(fd_);
  }
  ~Outbound() {
    if (fd_ < 0) return;
    listener_.Untrack(fd_);
    close(fd_);
  }
  Outbound(const Outbound&) = delete;
  Outbound& operator=(const Outbound&) = delete;
  int fd() const { return fd_; }

 private:
  LoopbackListener& listener_;
  int fd_;
};

}  // namespace

HttpProxy::HttpProxy() {
  listener_ = std::make_unique<LoopbackListener>([this](int fd) { Serve(fd); });
}

HttpProxy::~HttpProxy() { listener_->Stop(); }

std::string HttpProxy::Address() const { return "127.0.0.1:" + std::to_string(listener_->port()); }

std::vector<std::string> HttpProxy::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

void HttpProxy::Serve(int fd) {
  std::string received;
  std::size_t headEnd;
  while ((headEnd = received.find("\r\n\r\n")) == std::string::npos) {
    if (!ReadSome(fd, received)) return;
  }
  std::string head = received.substr(0, headEnd + 4);
  std::string rest = received.substr(headEnd + 4);
  {
    std::lock_guard lock(mutex_);
    requests_.push_back(head);
  }
  std::size_t lineEnd = head.find("\r\n");
  std::string requestLine = head.substr(0, lineEnd);
  std::size_t space1 = requestLine.find(' '), space2 = requestLine.rfind(' ');
  if (space1 == std::string::npos || space2 <= space1) return;
  std::string method = requestLine.substr(0, space1);
  std::string target = requestLine.substr(space1 + 1, space2 - space1 - 1);
  std::string version = requestLine.substr(space2 + 1);

  std::string host;
  int port;
  std::string forward;
  if (method == "CONNECT") {
    SplitHostPort(target, host, port, 443);
  } else {
    const std::string scheme = "http://";
    if (target.compare(0, scheme.size(), scheme) != 0) return;
    std::size_t pathStart = target.find('/', scheme.size());
    std::string authority = target.substr(scheme.size(), pathStart - scheme.size());
    std::string path = pathStart == std::string::npos ? "/" : target.substr(pathStart);
    SplitHostPort(authority, host, port, 80);
    forward = method + " " + path + " " + version + head.substr(lineEnd) + rest;
  }
  Outbound outbound(*listener_, host, port);
  if (outbound.fd() < 0) {
    const char refusal[] = "HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\n\r\n";
    WriteAll(fd, refusal, sizeof refusal - 1);
    return;
  }
  if (method == "CONNECT") {
    const char established[] = "HTTP/1.1 200 Connection established\r\n\r\n";
    if (!WriteAll(fd, established, sizeof established - 1)) return;
    forward = rest;
  }
  if (!WriteAll(outbound.fd(), forward.data(), forward.size())) return;
  Relay(fd, outbound.fd());
}

SocksProxy::SocksProxy() {
  listener_ = std::make_unique<LoopbackListener>([this](int fd) { Serve(fd); });
}

SocksProxy::~SocksProxy() { listener_->Stop(); }

std::string SocksProxy::Address() const { return "127.0.0.1:" + std::to_string(listener_->port()); }

std::vector<std::string> SocksProxy::Targets() const {
  std::lock_guard lock(mutex_);
  return targets_;
}

void SocksProxy::Serve(int fd) {
  // Version, command, port, address, then a NUL-ended user id and, in 4a, a NUL-ended name.
  std::string received;
  // NULs after the fixed 8 bytes: one ends the user id, a second the 4a host name.
  auto endedFields = [&] { return std::count(received.begin() + 8, received.end(), '\0'); };
  while (received.size() < 8) {
    if (!ReadSome(fd, received)) return;
  }
  const auto* bytes = reinterpret_cast<const unsigned char*>(received.data());
  if (bytes[0] != 4 || bytes[1] != 1) return;
  int port = bytes[2] << 8 | bytes[3];
  bool byName = bytes[4] == 0 && bytes[5] == 0 && bytes[6] == 0 && bytes[7] != 0;
  long wanted = byName ? 2 : 1;
  while (endedFields() < wanted) {
    if (!ReadSome(fd, received)) return;
  }
  bytes = reinterpret_cast<const unsigned char*>(received.data());
  std::string host;
  if (byName) {
    std::size_t nameStart = received.find('\0', 8) + 1;
    host = received.substr(nameStart, received.find('\0', nameStart) - nameStart);
  } else {
    host = std::to_string(bytes[4]) + "." + std::to_string(bytes[5]) + "." +
           std::to_string(bytes[6]) + "." + std::to_string(bytes[7]);
  }
  {
    std::lock_guard lock(mutex_);
    targets_.push_back(host + ":" + std::to_string(port));
  }
  Outbound outbound(*listener_, host, port);
  unsigned char answer[8] = {0, static_cast<unsigned char>(outbound.fd() < 0 ? 0x5B : 0x5A)};
  std::memcpy(answer + 2, bytes + 2, 6);
  if (!WriteAll(fd, reinterpret_cast<const char*>(answer), sizeof answer) || outbound.fd() < 0)
    return;
  Relay(fd, outbound.fd());
}

}  // namespace test_support
