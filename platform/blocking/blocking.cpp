#include "platform/blocking/blocking.h"

#include <utility>

namespace {
BlockingCallRunner& InstalledRunner() {
  static BlockingCallRunner runner;
  return runner;
}
}  // namespace

void RunBlockingCall(const std::function<void()>& call, const std::function<void()>& cancel) {
  if (InstalledRunner()) {
    InstalledRunner()(call, cancel);
  } else {
    call();
  }
}

void SetBlockingCallRunner(BlockingCallRunner runner) { InstalledRunner() = std::move(runner); }
