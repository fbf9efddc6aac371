#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace step_service {

// Database connections kept for reuse by the stores: a call borrows one (an idle one, else a new
// one from `open`) and the lease puts it back when the call is over, unless the call found it
// broken and discarded it. Thread-safe.
template <typename Connection>
class ConnectionPool {
 public:
  using Opener = std::function<std::unique_ptr<Connection>()>;

  class Lease {
   public:
    Lease(ConnectionPool& pool, std::unique_ptr<Connection> connection)
        : pool_(pool), connection_(std::move(connection)) {}
    Lease(Lease&&) = default;
    ~Lease() {
      if (connection_) pool_.GiveBack(std::move(connection_));
    }

    // False when no connection could be made.
    explicit operator bool() const { return connection_ != nullptr; }
    Connection* operator->() const { return connection_.get(); }
    Connection& operator*() const { return *connection_; }
    // Closes the connection instead of returning it: it is broken.
    void Discard() { connection_.reset(); }

   private:
    ConnectionPool& pool_;
    std::unique_ptr<Connection> connection_;
  };

  explicit ConnectionPool(Opener open) : open_(std::move(open)) {}

  Lease Borrow() {
    {
      std::lock_guard lock(mutex_);
      if (!idle_.empty()) {
        auto connection = std::move(idle_.back());
        idle_.pop_back();
        return Lease(*this, std::move(connection));
      }
    }
    return Lease(*this, open_());
  }

  // Closes every idle connection, e.g. once one of them turned out dead.
  void Clear() {
    std::vector<std::unique_ptr<Connection>> closing;
    std::lock_guard lock(mutex_);
    closing.swap(idle_);
  }

  void GiveBack(std::unique_ptr<Connection> connection) {
    std::lock_guard lock(mutex_);
    idle_.push_back(std::move(connection));
  }

 private:
  const Opener open_;
  std::mutex mutex_;
  std::vector<std::unique_ptr<Connection>> idle_;
};

}  // namespace step_service
