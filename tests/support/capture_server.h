// An HTTP or HTTPS server on 127.0.0.1 and an ephemeral port that records the exact bytes of
// every request and answers each with a scripted raw reply.
//
//   test_support::CaptureServer server;                       // HTTPS, shared test authority
//   server.Script(test_support::HttpReply(200, "{}", {"Set-Cookie: a=1"}));
//   WebRequest(server.Url("/api/mi?user=u"));
//   server.Requests()[0]  // "GET /api/mi?user=u HTTP/1.1\r\nHost: ..."
//
// Clients must trust the authority: TrustAuthorityFileForTesting(TestAuthority::Shared().caFile())
// from "platform/wininet/trust_for_tests.h".
#pragma once

#include <chrono>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "tests/support/test_authority.h"

namespace test_support {

struct ScriptedReply {
  enum class Ending {
    Close,    // close the connection after the reply
    Silence,  // keep it open and send nothing more until the client gives up
    Reset,    // reset it (TCP RST) after the reply
  };
  std::string bytes;                   // sent verbatim: status line, header lines, body
  std::size_t fillerBytes = 0;         // this many 'x' bytes streamed after `bytes`
  std::chrono::milliseconds drip{0};   // when set, the filler goes one byte at a time this apart
  std::chrono::milliseconds delay{0};  // waited after the request before anything is sent
  Ending ending = Ending::Close;
};

// "HTTP/1.1 <status> <reason>", the header lines, Content-Length and "Connection: close", an
// empty line and the body.
ScriptedReply HttpReply(int status, const std::string& body,
                        const std::vector<std::string>& headerLines = {});

class LoopbackListener;

class CaptureServer {
 public:
  enum class Transport { Http, Https };

  // Starts listening at once. Https serves the server certificate of `authority`.
  explicit CaptureServer(Transport transport = Transport::Https,
                         const TestAuthority& authority = TestAuthority::Shared());
  ~CaptureServer();
  CaptureServer(const CaptureServer&) = delete;
  CaptureServer& operator=(const CaptureServer&) = delete;

  int port() const;
  // "https://127.0.0.1:<port>" (or http) followed by pathAndQuery.
  std::string Url(const std::string& pathAndQuery = "/") const;

  // Queues the reply to the next request; requests beyond the queue get the default reply
  // (200 with the body "ok" unless changed).
  void Script(ScriptedReply reply);
  void SetDefaultReply(ScriptedReply reply);

  // The exact bytes of every request read in full (head and Content-Length body, decrypted), in
  // the order they arrived. A request is recorded before its reply is sent.
  std::vector<std::string> Requests() const;
  // Connections accepted, including those whose TLS handshake failed.
  int Connections() const;

 private:
  class Connection;
  void Serve(int fd);
  ScriptedReply NextReply();

  Transport transport_;
  std::shared_ptr<void> tlsContext_;  // SSL_CTX, kept out of this header
  mutable std::mutex mutex_;
  std::deque<ScriptedReply> script_;
  ScriptedReply defaultReply_;
  std::vector<std::string> requests_;
  std::unique_ptr<LoopbackListener> listener_;  // last: stopped before the rest goes
};

}  // namespace test_support
