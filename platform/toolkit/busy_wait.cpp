#include "platform/toolkit/busy_wait.h"

#include <QApplication>
#include <QEventLoop>

#include <thread>

#include "platform/blocking/blocking.h"

namespace {

void WaitBusy(const std::function<void()>& call, const std::function<void()>& /*cancel*/) {
  if (!qApp) {  // the message loop has ended: nothing left to keep painting
    call();
    return;
  }
  QEventLoop wait;
  std::thread worker([&] {
    call();
    // Queued, so the quit is seen by the loop even when the call ends before the loop starts.
    QMetaObject::invokeMethod(&wait, [&wait] { wait.quit(); }, Qt::QueuedConnection);
  });
  QApplication::setOverrideCursor(Qt::WaitCursor);
  // Paint, timer and window-system events go on; clicks and keys are held back until afterwards.
  wait.exec(QEventLoop::ExcludeUserInputEvents);
  worker.join();
  QApplication::restoreOverrideCursor();
}

}  // namespace

void InstallBusyWait() { SetBlockingCallRunner(WaitBusy); }
