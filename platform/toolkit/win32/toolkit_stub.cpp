// Stand-in for the window toolkit on Windows until its user32/GDI backend exists: no window can
// be loaded, so the program starts, shows nothing and ends. It lets the system code above link.
#include "platform/toolkit/toolkit.h"

void InitialiseToolkit() {}
void SetHandlerResolver(HandlerResolver) {}
void RunMessageLoop() {}
bool LoadWindow(const WindowDescription&, const WindowDescription*, bool) { return false; }
bool IsWindowLoaded(const WindowDescription&) { return false; }
void UnloadWindow(const WindowDescription&) {}
const WindowDescription* EventWindow() { return nullptr; }
int ReadProperty(const WindowDescription&, NumberProperty) { return 0; }
Text ReadProperty(const WindowPart&, TextProperty) { return Text(); }
void WriteProperty(const WindowDescription&, NumberProperty, int) {}
void WriteProperty(const WindowPart&, TextProperty, const Text&) {}
void WriteProperty(const WindowDescription&, WindowState) {}
std::int32_t SendWindowMessage(const WindowDescription&, std::uint32_t, std::uint32_t,
                               std::int32_t) {
  return 0;
}
int GetSystemMetrics(int) { return 0; }
void ShowMessage(const Text&, const Text&) {}
