// What the toolkit's pieces share among themselves; not for the system code.
#pragma once

#include <QWidget>

#include "platform/toolkit/window_description.h"

// Calls the handler bound under handlerName (if any) with `window` as the event window.
void RaiseEvent(const WindowDescription& window, const Text& handlerName);

// Destroys the window once control is back in the message loop (UnloadWindow, WM_CLOSE, Esc and
// a close asked for by the window system all end here).
void ScheduleDestroy(QWidget* window);

// The window whose handler is running (the innermost one); nullptr outside handlers.
QWidget* EventWindowWidget();
