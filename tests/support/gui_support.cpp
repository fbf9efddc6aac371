#include "tests/support/gui_support.h"

#include <QApplication>
#include <QDir>
#include <QTest>

#include "app/handlers.h"
#include "forms/forms.h"
#include "platform/codepage/codepage.h"
#include "tests/support/throwaway_home.h"

void StartGui() {
  if (qApp) return;
  qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" OFFSCREEN_CONFIG);
  // Whatever a handler stores goes to a throw-away home, never the tester's documents.
  static ThrowawayHome home;
  static int argc = 1;
  static char name[] = "windows_test";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);
  InitialiseToolkit();
  SetHandlerResolver(WindowHandlers);
}

Handler WindowHandlers(const Text& name) {
  return name == "SubmitSteps" ? nullptr : FindHandler(name);
}

Text G(const char* utf8) { return GbkFromUtf8(utf8); }

QWidget* WindowWidget(const char* name) {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->objectName() == QLatin1String(name)) return widget;
  }
  return nullptr;
}

QWidget* ControlWidget(const char* window, const char* utf8Name) {
  QWidget* top = WindowWidget(window);
  return top ? top->findChild<QWidget*>(QString::fromUtf8(utf8Name)) : nullptr;
}

QPoint PlaceInWindow(const QWidget* control) { return control->mapTo(control->window(), QPoint()); }

void Settle() {
  for (int round = 0; round < 3; ++round) QCoreApplication::processEvents();
}

void UnloadAll() {
  UnloadWindow(MainWindow);
  UnloadWindow(HelpWindow);
  Settle();
}

void SaveScreenshot(const QImage& image, const char* file) {
  QDir().mkpath(QStringLiteral(SCREENSHOT_DIR));
  image.save(QStringLiteral(SCREENSHOT_DIR "/") + QLatin1String(file));
}
