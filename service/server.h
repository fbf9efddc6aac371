#pragma once

#include <string>

namespace step_service {

struct ServeOptions {
  std::string host;              // address to listen on, e.g. 127.0.0.1
  int port = 0;                  // 0: any free port, reported once bound
  std::string certFile;         // PEM certificate chain
  std::string keyFile;          // PEM private key
  std::string dbFile;           // SQLite file, made when missing
  std::string portFile;         // when set, receives the bound port once listening
  int idleTimeoutSeconds = 5;  // read, write and keep-alive limit for each connection
};

// Serves HTTPS until SIGINT or SIGTERM, then lets requests in flight finish and closes the
// store. Writes "listening on HOST:PORT" to standard error once connections are accepted.
// Returns the process exit status: 0 after a clean stop, 1 when it could not start.
int Serve(const ServeOptions& options);

}  // namespace step_service
