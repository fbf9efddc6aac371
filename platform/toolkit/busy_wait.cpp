#include "platform/toolkit/busy_wait.h"

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QWindow>

#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "platform/blocking/blocking.h"
#include "platform/toolkit/toolkit_internal.h"

namespace {

bool IsUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
      return true;
    default:
      return false;
  }
}

// While a blocking call runs, user input waits: every input event is held back and delivered,
// in order, once the call is done. The one thing the user can still do is close the window the
// call was made for (its close button, Esc, or the window system's close): that ends the call,
// and the held-back input then closes the window as usual.
class InputHold : public QObject {
 public:
  InputHold(QWidget* window, std::function<void()> cancel)
      : window_(window), cancel_(std::move(cancel)) {
    qApp->installEventFilter(this);
  }
  ~InputHold() override { qApp->removeEventFilter(this); }

  // Stops holding and hands the held events on.
  void Release() {
    qApp->removeEventFilter(this);
    for (auto& [receiver, event] : held_) {
      if (receiver) QCoreApplication::postEvent(receiver, event.release());
    }
    held_.clear();
  }

  bool eventFilter(QObject* receiver, QEvent* event) override {
    if (event->type() == QEvent::Close && window_ && receiver == window_) Cancel();
    if (!IsUserInput(event->type())) return false;
    if (AsksToClose(receiver, event)) Cancel();
    held_.emplace_back(receiver, std::unique_ptr<QEvent>(event->clone()));
    return true;
  }

 private:
  void Cancel() {
    if (cancel_) std::exchange(cancel_, nullptr)();
  }

  // The widget an event is for: the receiver itself, or for events the window system hands to
  // a top-level window, the widget under the pointer.
  static QWidget* TargetWidget(QObject* receiver, QEvent* event) {
    if (auto* widget = qobject_cast<QWidget*>(receiver)) return widget;
    auto* window = qobject_cast<QWindow*>(receiver);
    if (!window) return nullptr;
    for (QWidget* topLevel : QApplication::topLevelWidgets()) {
      if (topLevel->windowHandle() != window) continue;
      if (event->type() != QEvent::MouseButtonPress) return topLevel;
      QWidget* under = topLevel->childAt(static_cast<QMouseEvent*>(event)->position().toPoint());
      return under ? under : topLevel;
    }
    return nullptr;
  }

  bool AsksToClose(QObject* receiver, QEvent* event) const {
    if (!window_) return false;
    QWidget* target = TargetWidget(receiver, event);
    if (!target || target->window() != window_) return false;
    if (event->type() == QEvent::KeyPress) {
      auto* key = static_cast<QKeyEvent*>(event);
      return key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier;
    }
    return event->type() == QEvent::MouseButtonPress &&
           static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
           target->property("closesWindow").toBool();
  }

  QPointer<QWidget> window_;
  std::function<void()> cancel_;
  std::vector<std::pair<QPointer<QObject>, std::unique_ptr<QEvent>>> held_;
};

void WaitBusy(const std::function<void()>& call, const std::function<void()>& cancel) {
  if (!qApp) {  // the message loop has ended: nothing left to keep painting
    call();
    return;
  }
  QEventLoop wait;
  InputHold hold(EventWindowWidget(), cancel);
  std::thread worker([&] {
    call();
    // Queued, so the quit is seen by the loop even when the call ends before the loop starts.
    QMetaObject::invokeMethod(&wait, [&wait] { wait.quit(); }, Qt::QueuedConnection);
  });
  QApplication::setOverrideCursor(Qt::WaitCursor);
  // Paint, timer and window-system events go on; input is held back until afterwards.
  wait.exec();
  worker.join();
  QApplication::restoreOverrideCursor();
  hold.Release();
}

}  // namespace

void InstallBusyWait() { SetBlockingCallRunner(WaitBusy); }
