#pragma once

#include <string>
#include <vector>

namespace step_service {

struct ServeOptions {
  std::string host;               // address to listen on, e.g. 127.0.0.1
  int port = 0;                   // 0: any free port, reported once bound
  std::string certFile;           // PEM certificate chain
  std::string keyFile;            // PEM private key
  std::string dbFile;             // SQLite file, made when missing
  std::string portFile;           // when set, receives the bound port once listening
  int idleTimeoutSeconds = 5;     // a connection waiting for its next request is closed then;
                                  // the TLS handshake gets no longer either
  int requestTimeoutSeconds = 10;  // a request from its first byte to the end of its reply
  int maxConnections = 0;         // newer connections are closed at once; 0: 2048, or fewer
                                  // when the open-file limit is lower
  std::vector<std::string> trustedProxies;  // peers whose X-Forwarded-For names the client
};

// Serves HTTPS until SIGINT or SIGTERM, then lets requests in flight finish, closes the idle
// connections and the store. Writes "listening on HOST:PORT" to standard error once connections
// are accepted. Returns the process exit status: 0 after a clean stop, 1 when it could not start.
int Serve(const ServeOptions& options);

}  // namespace step_service
