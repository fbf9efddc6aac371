#include "tests/service/https_client.h"

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <fcntl.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "tests/service/service_process.h"

namespace service_test {

HttpsClient::HttpsClient(int port, const std::string& sourceAddress)
    : client_(std::make_unique<httplib::SSLClient>("127.0.0.1", port)) {
  // Tests kill the service under load; writing to its dead connection must fail, not kill us.
  signal(SIGPIPE, SIG_IGN);
  client_->set_ca_cert_path(TestCaFile().c_str());
  client_->enable_server_certificate_verification(true);
  client_->set_url_encode(false);
  client_->set_keep_alive(true);
  client_->set_connection_timeout(10);
  client_->set_read_timeout(30);
  if (!sourceAddress.empty()) {
    client_->set_socket_options([sourceAddress](int fd) {
      sockaddr_in local{};
      local.sin_family = AF_INET;
      inet_pton(AF_INET, sourceAddress.c_str(), &local.sin_addr);
      // A failed bind leaves the default source; the test then sees the wrong address.
      bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local);
    });
  }
}

HttpsClient::~HttpsClient() = default;

HttpReply HttpsClient::Send(const std::string& method, const std::string& target) {
  HttpReply reply;
  httplib::Request request;
  request.method = method;
  request.path = target;
  const httplib::Result result = client_->send(request);
  if (!result) return reply;
  reply.answered = true;
  reply.status = result->status;
  reply.body = result->body;
  reply.retryAfter = result->get_header_value("Retry-After");
  return reply;
}

HttpReply HttpsClient::GetWhenTaken(const std::string& target) {
  for (;;) {
    HttpReply reply = Get(target);
    if (reply.status != 503 || reply.retryAfter.empty()) return reply;
    std::this_thread::sleep_for(std::chrono::seconds(std::stoi(reply.retryAfter)));
  }
}

TlsConnection::~TlsConnection() {
  SSL_free(ssl_);
  SSL_CTX_free(context_);
  if (fd_ >= 0) close(fd_);
}

bool TlsConnection::Open(int port) {
  signal(SIGPIPE, SIG_IGN);
  context_ = SSL_CTX_new(TLS_client_method());
  if (!context_ || SSL_CTX_load_verify_locations(context_, TestCaFile().c_str(), nullptr) != 1) {
    return false;
  }
  SSL_CTX_set_verify(context_, SSL_VERIFY_PEER, nullptr);
  fd_ = ConnectTcp(port);
  ssl_ = SSL_new(context_);
  if (fd_ < 0 || !ssl_ || SSL_set_fd(ssl_, fd_) != 1) return false;
  X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl_), "127.0.0.1");
  return SSL_connect(ssl_) == 1;
}

bool TlsConnection::Send(std::string_view bytes) {
  return SSL_write(ssl_, bytes.data(), static_cast<int>(bytes.size())) ==
         static_cast<int>(bytes.size());
}

std::string TlsConnection::ReadToEnd() {
  std::string received;
  char buffer[4096];
  int got;
  while ((got = SSL_read(ssl_, buffer, sizeof buffer)) > 0) received.append(buffer, got);
  return received;
}

bool TlsConnection::ServerClosedOrSpoke() {
  // A read that must not wait; it also takes in what TLS itself sent (session tickets).
  const int flags = fcntl(fd_, F_GETFL);
  fcntl(fd_, F_SETFL, flags | O_NONBLOCK);
  char byte;
  const int got = SSL_read(ssl_, &byte, 1);
  const bool waiting = got <= 0 && SSL_get_error(ssl_, got) == SSL_ERROR_WANT_READ;
  fcntl(fd_, F_SETFL, flags);
  ERR_clear_error();
  return !waiting;
}

std::string PercentEncode(std::string_view text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (std::isalnum(byte) || c == '-' || c == '_' || c == '.' || c == '~') {
      encoded += c;
    } else {
      encoded += '%';
      encoded += kHex[byte >> 4];
      encoded += kHex[byte & 15];
    }
  }
  return encoded;
}

std::string SubmissionTarget(std::string_view user, std::string_view password,
                             std::string_view step) {
  return "/api/mi?user=" + PercentEncode(user) + "&password=" + PercentEncode(password) +
         "&step=" + PercentEncode(step);
}

int ConnectTcp(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

}  // namespace service_test
