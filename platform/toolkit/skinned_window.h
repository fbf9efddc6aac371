// The top-level window every description becomes: no frame, Esc closes it, and closing it in any
// way destroys it through the toolkit.
#pragma once

#include <QWidget>

#include "platform/toolkit/window_description.h"

class SkinnedWindow : public QWidget {
 public:
  explicit SkinnedWindow(const WindowDescription& description);
  const WindowDescription& description() const { return description_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  const WindowDescription& description_;
};
