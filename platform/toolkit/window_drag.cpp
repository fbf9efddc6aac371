#include "platform/toolkit/window_drag.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QWindow>

void WindowDrag::Start(QWidget* window) {
  if (!(QGuiApplication::mouseButtons() & Qt::LeftButton)) return;
  QWindow* handle = window->windowHandle();
  // Offscreen, and X servers without a window manager, have no move of their own.
  if (handle && handle->startSystemMove()) return;
  window_ = window;
  windowStart_ = window->pos();
  mouseStart_ = lastPress_;
}

bool WindowDrag::eventFilter(QObject*, QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() == Qt::LeftButton) lastPress_ = mouse->globalPosition().toPoint();
      break;
    }
    case QEvent::MouseMove: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (!window_) break;
      if (!(mouse->buttons() & Qt::LeftButton)) {
        window_.clear();
        break;
      }
      // Absolute from the start, so an event seen twice (window, then widget) moves it once.
      window_->move(windowStart_ + mouse->globalPosition().toPoint() - mouseStart_);
      break;
    }
    case QEvent::MouseButtonRelease:
      if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) window_.clear();
      break;
    default:
      break;
  }
  return false;
}
