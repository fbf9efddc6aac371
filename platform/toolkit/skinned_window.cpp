#include "platform/toolkit/skinned_window.h"

#include <QCloseEvent>
#include <QKeyEvent>

#include "platform/toolkit/qt_text.h"
#include "platform/toolkit/toolkit_internal.h"

SkinnedWindow::SkinnedWindow(const WindowDescription& description)
    : QWidget(nullptr), description_(description) {
  Qt::WindowFlags flags = Qt::Window | Qt::FramelessWindowHint;
  if (description.minimiseBox) flags |= Qt::WindowMinimizeButtonHint;
  if (description.maximiseBox) flags |= Qt::WindowMaximizeButtonHint;
  setWindowFlags(flags);
  setObjectName(ToQString(description.name));
  setWindowTitle(ToQString(description.caption));
  resize(description.width, description.height);
}

// Controls pass Esc on, so it reaches the window wherever the focus is.
void SkinnedWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    ScheduleDestroy(this);
    return;
  }
  QWidget::keyPressEvent(event);
}

// Closed by the window system: destroyed like any other way, after the current event.
void SkinnedWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  ScheduleDestroy(this);
}
