// A TCP listener on 127.0.0.1 and an ephemeral port that serves each connection on its own
// thread, and can be stopped at any moment: stopping shuts down every socket it knows of, which
// wakes every blocked accept, read and write.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <list>
#include <mutex>
#include <set>
#include <string>
#include <thread>

namespace test_support {

class LoopbackListener {
 public:
  // serve(fd) runs on a thread of its own for each accepted connection; the listener closes fd
  // after serve returns.
  explicit LoopbackListener(std::function<void(int fd)> serve);
  ~LoopbackListener();
  LoopbackListener(const LoopbackListener&) = delete;
  LoopbackListener& operator=(const LoopbackListener&) = delete;

  int port() const { return port_; }
  int connections() const;

  // Stops accepting, wakes and waits for every connection thread. Safe to call twice.
  void Stop();

  // Sockets a handler opens itself, so that Stop can wake a handler blocked on them.
  void Track(int fd);
  void Untrack(int fd);

  // Waits for the given time; false when Stop came first.
  bool SleepFor(std::chrono::milliseconds duration);

 private:
  struct Worker {
    std::thread thread;
    bool done = false;
  };

  void AcceptLoop();
  void JoinFinishedWorkers();  // with mutex_ held

  std::function<void(int)> serve_;
  int listenFd_ = -1;
  int port_ = 0;
  mutable std::mutex mutex_;
  std::condition_variable stopped_;
  bool stopping_ = false;
  int connections_ = 0;
  std::set<int> openFds_;
  std::list<Worker> workers_;
  std::thread acceptThread_;
};

// Reads until the peer closes or a read fails; true when anything is read into `into`.
bool ReadSome(int fd, std::string& into);
// Writes all bytes; false when the peer is gone.
bool WriteAll(int fd, const char* data, std::size_t size);
// A connected socket to host:port, or -1.
int ConnectTo(const std::string& host, int port);
// Copies bytes both ways between two sockets until one side closes.
void Relay(int a, int b);
// Whether host names this machine's loopback interface.
bool IsLoopbackHost(const std::string& host);

}  // namespace test_support
