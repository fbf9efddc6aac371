#include "tests/support/capture_server.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "tests/support/loopback_listener.h"

namespace test_support {

namespace {

const char* ReasonPhrase(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 301:
      return "Moved Permanently";
    case 302:
      return "Found";
    case 303:
      return "See Other";
    case 307:
      return "Temporary Redirect";
    case 404:
      return "Not Found";
    case 500:
      return "Internal Server Error";
    default:
      return "Status";
  }
}

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

// Content-Length of a request head; 0 when absent.
std::size_t ContentLength(const std::string& head) {
  std::string lower = Lower(head);
  std::size_t at = lower.find("\r\ncontent-length:");
  if (at == std::string::npos) return 0;
  return std::strtoul(head.c_str() + at + 17, nullptr, 10);
}

}  // namespace

ScriptedReply HttpReply(int status, const std::string& body,
                        const std::vector<std::string>& headerLines) {
  std::string bytes = "HTTP/1.1 " + std::to_string(status) + " " + ReasonPhrase(status) + "\r\n";
  for (const std::string& line : headerLines) bytes += line + "\r\n";
  bytes += "Content-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n";
  return ScriptedReply{bytes + body};
}

// One accepted socket, plain or wrapped in TLS.
class CaptureServer::Connection {
 public:
  Connection(int fd, SSL_CTX* tls) : fd_(fd) {
    if (!tls) return;
    ssl_ = SSL_new(tls);
    SSL_set_fd(ssl_, fd);
    handshakeDone_ = SSL_accept(ssl_) == 1;
  }
  ~Connection() {
    if (ssl_) SSL_free(ssl_);
  }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  bool ready() const { return !ssl_ || handshakeDone_; }

  bool Read(std::string& into) {
    if (!ssl_) return ReadSome(fd_, into);
    char buffer[16384];
    int count = SSL_read(ssl_, buffer, sizeof buffer);
    if (count <= 0) return false;
    into.append(buffer, static_cast<std::size_t>(count));
    return true;
  }

  bool Write(const char* data, std::size_t size) {
    if (!ssl_) return WriteAll(fd_, data, size);
    while (size > 0) {
      int count = SSL_write(ssl_, data, static_cast<int>(std::min<std::size_t>(size, 1 << 20)));
      if (count <= 0) return false;
      data += count;
      size -= static_cast<std::size_t>(count);
    }
    return true;
  }

  void CloseNicely() {
    if (ssl_) SSL_shutdown(ssl_);
    shutdown(fd_, SHUT_WR);
  }

  void Reset() {
    linger hard{1, 0};
    setsockopt(fd_, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
  }

 private:
  int fd_;
  SSL* ssl_ = nullptr;
  bool handshakeDone_ = false;
};

CaptureServer::CaptureServer(Transport transport, const TestAuthority& authority)
    : transport_(transport), defaultReply_(HttpReply(200, "ok")) {
  if (transport == Transport::Https) {
    SSL_CTX* context = SSL_CTX_new(TLS_server_method());
    tlsContext_.reset(context, [](void* c) { SSL_CTX_free(static_cast<SSL_CTX*>(c)); });
    if (SSL_CTX_use_certificate_chain_file(context, authority.certFile().c_str()) != 1 ||
        SSL_CTX_use_PrivateKey_file(context, authority.keyFile().c_str(), SSL_FILETYPE_PEM) != 1)
      throw std::runtime_error("cannot load the test server certificate");
  }
  listener_ = std::make_unique<LoopbackListener>([this](int fd) { Serve(fd); });
}

CaptureServer::~CaptureServer() { listener_->Stop(); }

int CaptureServer::port() const { return listener_->port(); }

std::string CaptureServer::Url(const std::string& pathAndQuery) const {
  std::string scheme = transport_ == Transport::Https ? "https" : "http";
  return scheme + "://127.0.0.1:" + std::to_string(port()) + pathAndQuery;
}

void CaptureServer::Script(ScriptedReply reply) {
  std::lock_guard lock(mutex_);
  script_.push_back(std::move(reply));
}

void CaptureServer::SetDefaultReply(ScriptedReply reply) {
  std::lock_guard lock(mutex_);
  defaultReply_ = std::move(reply);
}

std::vector<std::string> CaptureServer::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

int CaptureServer::Connections() const { return listener_->connections(); }

ScriptedReply CaptureServer::NextReply() {
  std::lock_guard lock(mutex_);
  if (script_.empty()) return defaultReply_;
  ScriptedReply reply = std::move(script_.front());
  script_.pop_front();
  return reply;
}

void CaptureServer::Serve(int fd) {
  Connection connection(fd, static_cast<SSL_CTX*>(tlsContext_.get()));
  if (!connection.ready()) return;
  // One request per connection: the head, then as many body bytes as it announces.
  std::string request;
  std::size_t headEnd;
  while ((headEnd = request.find("\r\n\r\n")) == std::string::npos) {
    if (!connection.Read(request)) return;
  }
  std::size_t total = headEnd + 4 + ContentLength(request.substr(0, headEnd + 2));
  while (request.size() < total) {
    if (!connection.Read(request)) return;
  }
  {
    std::lock_guard lock(mutex_);
    requests_.push_back(request);
  }

  ScriptedReply reply = NextReply();
  if (reply.delay.count() > 0 && !listener_->SleepFor(reply.delay)) return;
  bool sent = connection.Write(reply.bytes.data(), reply.bytes.size());
  const std::string filler(1 << 16, 'x');
  for (std::size_t left = reply.fillerBytes; sent && left > 0;) {
    if (reply.drip.count() > 0 && !listener_->SleepFor(reply.drip)) return;
    std::size_t piece = reply.drip.count() > 0 ? 1 : std::min(left, filler.size());
    sent = connection.Write(filler.data(), piece);
    left -= piece;
  }
  switch (reply.ending) {
    case ScriptedReply::Ending::Close:
      connection.CloseNicely();
      break;
    case ScriptedReply::Ending::Silence: {
      std::string ignored;
      while (connection.Read(ignored)) ignored.clear();
      break;
    }
    case ScriptedReply::Ending::Reset:
      connection.Reset();
      break;
  }
}

}  // namespace test_support
