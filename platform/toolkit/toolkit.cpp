// Loaded windows, their properties, the message loop and the binding of events to handlers.
#include "platform/toolkit/toolkit.h"

#include <QApplication>
#include <QEventLoop>
#include <QPointer>
#include <QProxyStyle>
#include <QScreen>

#include <map>
#include <utility>
#include <memory>
#include <vector>

#include "platform/toolkit/busy_wait.h"
#include "platform/toolkit/controls.h"
#include "platform/toolkit/image_file.h"
#include "platform/toolkit/qt_text.h"
#include "platform/toolkit/skinned_window.h"
#include "platform/toolkit/toolkit_internal.h"
#include "platform/toolkit/window_drag.h"

namespace {

struct LoadedWindow {
  QPointer<SkinnedWindow> widget;
  std::map<Text, QPointer<QWidget>> controls;
};

// The application object, when the toolkit made it (a test may bring its own).
std::unique_ptr<QApplication> ownApplication;
WindowDrag* windowDrag = nullptr;
HandlerResolver resolver = nullptr;
std::map<const WindowDescription*, LoadedWindow> loadedWindows;
std::vector<const WindowDescription*> eventWindows;
// Windows whose destruction came due while a handler was still running (in a nested loop such as
// a message box or a busy wait); they go once the outermost handler has returned.
std::vector<QPointer<SkinnedWindow>> pendingDestroys;
QEventLoop* messageLoop = nullptr;

// Edit boxes show the mask their description asks for.
class ToolkitStyle : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returned) const override {
    if (hint == SH_LineEdit_PasswordCharacter && widget) {
      QVariant mask = widget->property("maskCharacter");
      if (mask.isValid()) return mask.toChar().unicode();
    }
    return QProxyStyle::styleHint(hint, option, widget, returned);
  }
};

LoadedWindow* Find(const WindowDescription& window) {
  auto found = loadedWindows.find(&window);
  return found == loadedWindows.end() || !found->second.widget ? nullptr : &found->second;
}

QWidget* FindControl(const WindowPart& part) {
  LoadedWindow* loaded = Find(part.window);
  if (!loaded) return nullptr;
  if (part.control.empty()) return loaded->widget;
  auto found = loaded->controls.find(part.control);
  return found == loaded->controls.end() ? nullptr : found->second.data();
}

void DestroyNow(QPointer<SkinnedWindow> window) {
  if (!window) return;
  if (!eventWindows.empty()) {
    pendingDestroys.push_back(window);
    return;
  }
  auto found = loadedWindows.find(&window->description());
  if (found != loadedWindows.end() && found->second.widget == window) loadedWindows.erase(found);
  delete window.data();
  if (loadedWindows.empty() && messageLoop) messageLoop->exit();
}

// Builds the window and its controls; nullptr (and nothing left over) when it cannot.
std::unique_ptr<SkinnedWindow> Build(const WindowDescription& description,
                                     std::map<Text, QPointer<QWidget>>* controls) {
  auto window = std::make_unique<SkinnedWindow>(description);
  if (!description.icon.empty()) {
    QImage icon = ReadImage(ToQString(description.icon));
    if (icon.isNull()) return nullptr;
    window->setWindowIcon(QIcon(QPixmap::fromImage(std::move(icon))));
  }
  for (const ControlDescription& control : description.controls) {
    if (controls->count(control.name)) return nullptr;
    QWidget* parent = window.get();
    if (!control.parent.empty()) {
      auto found = controls->find(control.parent);
      if (found == controls->end()) return nullptr;
      parent = found->second;
    }
    QWidget* widget = CreateControl(control, description, parent);
    if (!widget) return nullptr;
    (*controls)[control.name] = widget;
  }
  return window;
}

}  // namespace

void RaiseEvent(const WindowDescription& window, const Text& handlerName) {
  if (handlerName.empty() || !resolver) return;
  Handler handler = resolver(handlerName);
  if (!handler) return;
  eventWindows.push_back(&window);
  handler();
  eventWindows.pop_back();
  if (eventWindows.empty()) {
    for (const QPointer<SkinnedWindow>& window : std::exchange(pendingDestroys, {})) {
      ScheduleDestroy(window);
    }
  }
}

QWidget* EventWindowWidget() {
  if (eventWindows.empty()) return nullptr;
  LoadedWindow* loaded = Find(*eventWindows.back());
  return loaded ? loaded->widget.data() : nullptr;
}

void ScheduleDestroy(QWidget* window) {
  QPointer<SkinnedWindow> target = dynamic_cast<SkinnedWindow*>(window);
  QMetaObject::invokeMethod(
      qApp, [target] { DestroyNow(target); }, Qt::QueuedConnection);
}

void InitialiseToolkit() {
  if (windowDrag) return;
  if (!qApp) {
    static int argc = 1;
    static char name[] = "update-steps";
    static char* argv[] = {name, nullptr};
    ownApplication = std::make_unique<QApplication>(argc, argv);
  }
  QApplication::setQuitOnLastWindowClosed(false);
  QGuiApplication::setDesktopFileName(QStringLiteral("update-steps"));
  QApplication::setStyle(new ToolkitStyle);
  windowDrag = new WindowDrag;
  windowDrag->setParent(qApp);
  qApp->installEventFilter(windowDrag);
  InstallBusyWait();
}

void SetHandlerResolver(HandlerResolver newResolver) { resolver = newResolver; }

void RunMessageLoop() {
  if (!loadedWindows.empty()) {
    QEventLoop loop;
    messageLoop = &loop;
    loop.exec();
    messageLoop = nullptr;
  }
  if (ownApplication) {
    windowDrag = nullptr;  // goes with its parent
    ownApplication.reset();
  }
}

bool LoadWindow(const WindowDescription& window, const WindowDescription*, bool) {
  InitialiseToolkit();
  if (LoadedWindow* loaded = Find(window)) {
    loaded->widget->raise();
    loaded->widget->activateWindow();
    return true;
  }
  std::map<Text, QPointer<QWidget>> controls;
  std::unique_ptr<SkinnedWindow> widget = Build(window, &controls);
  if (!widget) return false;
  widget->move((GetSystemMetrics(SM_CXSCREEN) - window.width) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - window.height) / 2);
  QPointer<SkinnedWindow> shown = widget.release();
  loadedWindows[&window] = LoadedWindow{shown, std::move(controls)};
  RaiseEvent(window, window.onCreated);
  if (shown) {
    shown->show();
    shown->activateWindow();
  }
  return true;
}

bool IsWindowLoaded(const WindowDescription& window) { return Find(window) != nullptr; }

void UnloadWindow(const WindowDescription& window) {
  if (LoadedWindow* loaded = Find(window)) ScheduleDestroy(loaded->widget);
}

const WindowDescription* EventWindow() {
  return eventWindows.empty() ? nullptr : eventWindows.back();
}

int ReadProperty(const WindowDescription& window, NumberProperty property) {
  LoadedWindow* loaded = Find(window);
  if (!loaded) return 0;
  QRect rectangle = loaded->widget->frameGeometry();
  switch (property) {
    case NumberProperty::left:
      return rectangle.left();
    case NumberProperty::top:
      return rectangle.top();
    case NumberProperty::width:
      return rectangle.width();
  }
  return 0;
}

Text ReadProperty(const WindowPart& part, TextProperty) {
  QWidget* widget = FindControl(part);
  if (!widget) return {};
  return FromQString(part.control.empty() ? widget->windowTitle() : ControlText(widget));
}

void WriteProperty(const WindowDescription& window, NumberProperty property, int value) {
  LoadedWindow* loaded = Find(window);
  if (!loaded) return;
  QWidget* widget = loaded->widget;
  QPoint place = widget->pos();
  switch (property) {
    case NumberProperty::left:
      widget->move(value, place.y());
      break;
    case NumberProperty::top:
      widget->move(place.x(), value);
      break;
    case NumberProperty::width:
      widget->resize(value, widget->height());
      break;
  }
}

void WriteProperty(const WindowPart& part, TextProperty, const Text& value) {
  QWidget* widget = FindControl(part);
  if (!widget) return;
  if (part.control.empty()) {
    widget->setWindowTitle(ToQString(value));
    return;
  }
  SetControlText(widget, ToQString(value));
  for (const ControlDescription& control : part.window.controls) {
    if (control.name == part.control && control.kind == ControlKind::editBox) {
      RaiseEvent(part.window, control.onTextChanged);
    }
  }
}

void WriteProperty(const WindowDescription& window, WindowState) {
  LoadedWindow* loaded = Find(window);
  if (loaded && loaded->widget->isVisible()) loaded->widget->showMinimized();
}

std::int32_t SendWindowMessage(const WindowDescription& window, std::uint32_t message,
                               std::uint32_t wParam, std::int32_t) {
  LoadedWindow* loaded = Find(window);
  if (!loaded) return 0;
  if (message == WM_NCLBUTTONDOWN && wParam == HTCAPTION) windowDrag->Start(loaded->widget);
  if (message == WM_CLOSE) ScheduleDestroy(loaded->widget);
  return 0;
}

int GetSystemMetrics(int index) {
  QScreen* screen = qApp ? QGuiApplication::primaryScreen() : nullptr;
  if (!screen) return 0;
  if (index == SM_CXSCREEN) return screen->geometry().width();
  if (index == SM_CYSCREEN) return screen->geometry().height();
  return 0;
}
