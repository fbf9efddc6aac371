// The window toolkit the handlers call: windows built from descriptions, their properties, window
// messages and message boxes. One GUI thread; every handler runs to completion inside the loop.
//
// A window is named by its description (which must outlive the loaded window), a control by its
// window and its name. Texts cross as GBK. Nothing here throws; failures are results.
#pragma once

#include <cstdint>
#include <utility>

#include "platform/toolkit/window_description.h"
#include "text/text.h"

// Event handlers take no arguments and return nothing.
using Handler = void (*)();
// Maps a handler name of a description to its function; nullptr leaves that event unbound.
using HandlerResolver = Handler (*)(const Text& name);

// Creates the application object (once; a second call does nothing). No command line is read.
void InitialiseToolkit();

// Sets how handler names are bound. Names are resolved each time an event is raised.
void SetHandlerResolver(HandlerResolver resolver);

// Runs the message loop until no loaded window is left; returns at once when none is loaded.
// Afterwards the application object made by InitialiseToolkit is gone.
void RunMessageLoop();

// Creates the window and its controls, centres it on the primary screen, raises Created, shows
// it. Owner and modal are accepted as the callers give them: no owner, not modal. False when the
// description cannot be built (unknown parent, repeated name, missing image); then nothing is
// left behind. A window that is already loaded is brought forward and true returned.
bool LoadWindow(const WindowDescription& window, const WindowDescription* owner = nullptr,
                bool modal = false);

// True from the window's creation until it has been destroyed.
bool IsWindowLoaded(const WindowDescription& window);

// Destroys the window once the running handler has returned (never inside the call); a window
// that is not loaded is left alone.
void UnloadWindow(const WindowDescription& window);

// The window whose event handler is running (the innermost one); nullptr outside handlers.
const WindowDescription* EventWindow();

// A window, or with a control name one of its controls.
struct WindowPart {
  WindowPart(const WindowDescription& w, Text c = {}) : window(w), control(std::move(c)) {}
  const WindowDescription& window;
  Text control;
};

enum class NumberProperty { left, top, width };  // the window's rectangle on the screen
enum class TextProperty { text };  // caption, label text, button text, edit box content
enum class WindowState { minimised };

// The window's rectangle as GetWindowRect gives it; 0 when the window is not loaded.
int ReadProperty(const WindowDescription& window, NumberProperty property);
// A new Text; empty when the window is not loaded, the control is unknown or has no text.
Text ReadProperty(const WindowPart& part, TextProperty property);
// left and top move the window, its size unchanged; width resizes it.
void WriteProperty(const WindowDescription& window, NumberProperty property, int value);
// Writing an edit box's content raises its TextChanged event once, changed or not.
void WriteProperty(const WindowPart& part, TextProperty property, const Text& value);
// minimised: minimises the window if it is visible; otherwise nothing happens.
void WriteProperty(const WindowDescription& window, WindowState state);

constexpr std::uint32_t WM_CLOSE = 0x0010;
constexpr std::uint32_t WM_NCLBUTTONDOWN = 0x00A1;
constexpr std::uint32_t HTCAPTION = 2;

// WM_NCLBUTTONDOWN with HTCAPTION: a press on the title bar, so the window follows the mouse
// until the left button is released (the window system's move where it offers one, else by
// hand); the call returns at once. WM_CLOSE: the window is destroyed as by UnloadWindow.
// Other messages do nothing. Returns 0 (and 0 for a window that is not loaded).
std::int32_t SendWindowMessage(const WindowDescription& window, std::uint32_t message,
                               std::uint32_t wParam, std::int32_t lParam);

constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;

// Width or height of the primary screen in pixels; 0 for another index or without a screen.
int GetSystemMetrics(int index);

// A modal box with the caption and the plain text as given, one OK button and no icon, owned by
// no window. Returns when the box is closed.
void ShowMessage(const Text& text, const Text& caption);
