#include "tests/support/loopback_listener.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace test_support {

LoopbackListener::LoopbackListener(std::function<void(int fd)> serve) : serve_(std::move(serve)) {
  // A client that gives up mid-reply must not kill the test program.
  signal(SIGPIPE, SIG_IGN);
  listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (listenFd_ < 0 || bind(listenFd_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      listen(listenFd_, 64) != 0 ||
      getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    if (listenFd_ >= 0) close(listenFd_);
    throw std::runtime_error("cannot listen on loopback");
  }
  port_ = ntohs(address.sin_port);
  acceptThread_ = std::thread([this] { AcceptLoop(); });
}

LoopbackListener::~LoopbackListener() { Stop(); }

int LoopbackListener::connections() const {
  std::lock_guard lock(mutex_);
  return connections_;
}

void LoopbackListener::AcceptLoop() {
  for (;;) {
    int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    std::lock_guard lock(mutex_);
    if (stopping_) {
      if (fd >= 0) close(fd);
      return;
    }
    if (fd < 0) continue;
    ++connections_;
    openFds_.insert(fd);
    JoinFinishedWorkers();
    Worker& worker = workers_.emplace_back();
    worker.thread = std::thread([this, fd, &worker] {
      serve_(fd);
      std::lock_guard lock(mutex_);
      openFds_.erase(fd);
      close(fd);
      worker.done = true;
    });
  }
}

void LoopbackListener::JoinFinishedWorkers() {
  // A finished worker has only its return left to run, which needs no lock.
  for (auto it = workers_.begin(); it != workers_.end();) {
    if (!it->done) {
      ++it;
      continue;
    }
    it->thread.join();
    it = workers_.erase(it);
  }
}

void LoopbackListener::Stop() {
  {
    std::lock_guard lock(mutex_);
    if (stopping_) return;
    stopping_ = true;
    for (int fd : openFds_) shutdown(fd, SHUT_RDWR);
  }
  stopped_.notify_all();
  shutdown(listenFd_, SHUT_RDWR);  // wakes accept
  acceptThread_.join();
  close(listenFd_);
  // No worker starts any more; the ones running are woken by their shut-down sockets.
  for (Worker& worker : workers_) worker.thread.join();
}

void LoopbackListener::Track(int fd) {
  std::lock_guard lock(mutex_);
  openFds_.insert(fd);
  if (stopping_) shutdown(fd, SHUT_RDWR);
}

void LoopbackListener::Untrack(int fd) {
  std::lock_guard lock(mutex_);
  openFds_.erase(fd);
}

bool LoopbackListener::SleepFor(std::chrono::milliseconds duration) {
  std::unique_lock lock(mutex_);
  return !stopped_.wait_for(lock, duration, [this] { return stopping_; });
}

bool ReadSome(int fd, std::string& into) {
  char buffer[16384];
  ssize_t count = recv(fd, buffer, sizeof buffer, 0);
  if (count <= 0) return false;
  into.append(buffer, static_cast<std::size_t>(count));
  return true;
}

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t count = send(fd, data, size, MSG_NOSIGNAL);
    if (count <= 0) return false;
    data += count;
    size -= static_cast<std::size_t>(count);
  }
  return true;
}

int ConnectTo(const std::string& host, int port) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return -1;
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd >= 0 && connect(fd, found->ai_addr, found->ai_addrlen) != 0) {
    close(fd);
    fd = -1;
  }
  freeaddrinfo(found);
  return fd;
}

void Relay(int a, int b) {
  pollfd fds[2] = {{a, POLLIN, 0}, {b, POLLIN, 0}};
  char buffer[16384];
  for (;;) {
    if (poll(fds, 2, -1) < 0) return;
    for (int i = 0; i < 2; ++i) {
      if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      ssize_t count = recv(fds[i].fd, buffer, sizeof buffer, 0);
      if (count <= 0 || !WriteAll(fds[1 - i].fd, buffer, static_cast<std::size_t>(count))) return;
    }
  }
}

bool IsLoopbackHost(const std::string& host) { return host == "127.0.0.1" || host == "localhost"; }

}  // namespace test_support
