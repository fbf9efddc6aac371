// Every control of both windows that shows text in a font of its own asks for a family the
// machine has, so no control's first layout searches for a substitute (the windows' faces, such
// as 微软雅黑, are seldom installed).
#include <QFontDatabase>
#include <QWidget>

#include <gtest/gtest.h>

#include "forms/forms.h"
#include "tests/support/gui_support.h"

namespace {

TEST(Fonts, EveryControlAsksForAnInstalledFamily) {
  StartGui();
  ASSERT_TRUE(LoadWindow(MainWindow));
  ASSERT_TRUE(LoadWindow(HelpWindow));
  for (const char* window : {"MainWindow", "HelpWindow"}) {
    for (const QWidget* control : WindowWidget(window)->findChildren<QWidget*>()) {
      if (!control->testAttribute(Qt::WA_SetFont)) continue;  // images only
      SCOPED_TRACE(control->objectName().toStdString());
      const QStringList families = control->font().families();
      ASSERT_FALSE(families.isEmpty());
      EXPECT_TRUE(QFontDatabase::hasFamily(families.first())) << families.first().toStdString();
    }
  }
  UnloadAll();
}

}  // namespace
