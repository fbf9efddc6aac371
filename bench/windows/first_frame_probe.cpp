// Linked into a GUI program, reports the first painted frame of any window: once the first
// paint of a top-level widget has been handled, writes "painted" to standard output and ends
// the process at once, so the parent can time the start and read the peak memory.
#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <unistd.h>

namespace {

class FirstFrameProbe : public QObject {
 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (!reported_ && event->type() == QEvent::Paint) {
      auto* widget = qobject_cast<QWidget*>(watched);
      if (widget && widget->isWindow()) {
        reported_ = true;
        // After this paint (children included) and its flush have run.
        QTimer::singleShot(0, [] {
          static const char kLine[] = "painted\n";
          (void)!write(STDOUT_FILENO, kLine, sizeof kLine - 1);
          _exit(0);
        });
      }
    }
    return false;
  }

 private:
  bool reported_ = false;
};

void InstallProbe() { qApp->installEventFilter(new FirstFrameProbe); }

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(InstallProbe)
