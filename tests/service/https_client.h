#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace httplib {
class SSLClient;
}
struct ssl_ctx_st;
struct ssl_st;

namespace service_test {

struct HttpReply {
  bool answered = false;  // false when no HTTP reply came back
  int status = 0;
  std::string body;
  std::string retryAfter;
};

// An HTTPS client for the service on 127.0.0.1:port that trusts only the test authority and
// verifies the certificate. Keeps its connection open between requests. With `sourceAddress`
// (e.g. "127.0.0.2") its connections come from that loopback address.
class HttpsClient {
 public:
  explicit HttpsClient(int port, const std::string& sourceAddress = {});
  ~HttpsClient();

  // `method` on `target` (path and query) sent exactly as given, so tests control the encoding.
  HttpReply Send(const std::string& method, const std::string& target);
  HttpReply Get(const std::string& target) { return Send("GET", target); }
  // GET, repeated after the Retry-After of each 503 (the service sheds load that way) until
  // some other answer comes.
  HttpReply GetWhenTaken(const std::string& target);

 private:
  std::unique_ptr<httplib::SSLClient> client_;
};

// A TLS connection driven byte by byte, for requests sent in pieces. Verifies the service's
// certificate against the test authority like HttpsClient.
class TlsConnection {
 public:
  ~TlsConnection();
  // Connects and completes the handshake; false on any failure.
  bool Open(int port);
  bool Send(std::string_view bytes);
  // Everything the server sends until it closes the connection.
  std::string ReadToEnd();
  // True once the server has closed the connection or sent something; does not wait.
  bool ServerClosedOrSpoke();

 private:
  ssl_ctx_st* context_ = nullptr;
  ssl_st* ssl_ = nullptr;
  int fd_ = -1;
};

// Every byte outside the unreserved set written as %XX.
std::string PercentEncode(std::string_view text);

// "/api/mi?user=...&password=...&step=..." with each value percent-encoded.
std::string SubmissionTarget(std::string_view user, std::string_view password,
                             std::string_view step);

// A plain TCP connection to 127.0.0.1:port; -1 on failure.
int ConnectTcp(int port);

}  // namespace service_test
