// Moving a window by a press on its body, as a press on a title bar would.
#pragma once

#include <QPoint>
#include <QPointer>
#include <QWidget>

// Watches the application's mouse: remembers where the left button last went down and, while a
// drag by hand runs, moves the window with the mouse until the button is released.
class WindowDrag : public QObject {
 public:
  // The window follows the mouse from the last left press while the button stays down: through
  // the window system's own move where it offers one, by hand where it does not. Nothing happens
  // when the left button is already up.
  void Start(QWidget* window);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPoint lastPress_;
  QPointer<QWidget> window_;
  QPoint windowStart_;
  QPoint mouseStart_;
};
