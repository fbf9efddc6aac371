// Moving, closing and minimising the skinned windows, which have no title bar to do it with.
#include "app/windows.h"
#include "forms/forms.h"
#include "platform/toolkit/toolkit.h"

void DragWindow() {
  // Both windows bind this to their picture box; it moves whichever was pressed.
  if (const WindowDescription* window = EventWindow()) {
    SendWindowMessage(*window, WM_NCLBUTTONDOWN, HTCAPTION, 0);
  }
}

void CloseMainWindow() { UnloadWindow(MainWindow); }

void MinimiseMainWindow() { WriteProperty(MainWindow, WindowState::minimised); }
