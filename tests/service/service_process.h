#pragma once

#include <sys/types.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace service_test {

// The folder of the test certificates made at build time (ca.pem, server.pem, server.key),
// and the authority in it.
std::string TestTlsDir();
std::string TestCaFile();

// A field of /proc/PID/status in kB, e.g. "VmRSS" (resident now) or "VmHWM" (its peak); -1 when
// it cannot be read.
long ProcessMemoryKb(pid_t pid, const std::string& field);

// Lifts this process's open-file limit to the hard limit, for tests that hold many connections.
void RaiseOpenFileLimit();

// A scratch folder removed with everything in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

struct CommandResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Runs step-service with `arguments`, `input` on its standard input, and waits for it.
CommandResult RunStepService(const std::vector<std::string>& arguments,
                             std::string_view input = {});

// `step-service serve --listen 127.0.0.1:0` (a port of the system's choosing) with the
// server.pem and server.key of `tlsDir`; the constructor returns once the service accepts
// connections, or fails the test.
class RunningService {
 public:
  explicit RunningService(const std::string& dbFile,
                          const std::vector<std::string>& extraArguments = {},
                          const std::string& tlsDir = TestTlsDir());
  ~RunningService();

  RunningService(const RunningService&) = delete;
  RunningService& operator=(const RunningService&) = delete;

  int port() const { return port_; }
  pid_t pid() const { return pid_; }

  // Sends SIGTERM and returns the exit status (-1 when it did not exit normally).
  int Stop();
  // Sends SIGKILL and reaps the process.
  void Kill();
  // Sends SIGTERM without waiting for the exit.
  void Terminate();
  // Waits until the log holds `text`; false when it did not come within a few seconds.
  bool WaitForLog(std::string_view text);
  // All the service wrote to standard error so far.
  std::string Log();

 private:
  void CollectLog(int fd);
  int Reap();

  pid_t pid_ = -1;
  int port_ = 0;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::string log_;
  bool logClosed_ = false;
  std::thread reader_;
};

}  // namespace service_test
