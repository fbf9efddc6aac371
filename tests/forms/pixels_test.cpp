// The rendered skin: background colours, the edge line, the title text and the button images.
// Also saves both windows as screenshots for a person to look at.
#include <QImage>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include "forms/forms.h"
#include "tests/support/gui_support.h"

namespace {

constexpr QRgb kBackground = 0xFF383F47;
constexpr QRgb kEdge = 0xFF303841;
constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr QRgb kButtonGrey = 0xFF60656C;

QImage Render(const char* window) {
  return WindowWidget(window)->grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

class Pixels : public testing::Test {
 protected:
  void SetUp() override { StartGui(); }
  void TearDown() override { UnloadAll(); }
};

TEST_F(Pixels, MainWindowSkin) {
  ASSERT_TRUE(LoadWindow(MainWindow));
  Settle();
  QImage image = Render("MainWindow");
  SaveScreenshot(image, "main_window.png");
  ASSERT_EQ(image.size(), QSize(312, 312));

  for (QPoint bare : {QPoint(2, 2), QPoint(2, 300), QPoint(300, 150), QPoint(150, 49),
                      QPoint(150, 51), QPoint(311, 305)}) {
    EXPECT_EQ(image.pixel(bare), kBackground) << bare.x() << "," << bare.y();
  }
  // The one-pixel line across the whole width at row 50; the picture box hides columns 0-59.
  for (int x = 0; x < 312; ++x) EXPECT_EQ(image.pixel(x, 50), kEdge) << x;

  // White title text only inside the title label's box (4, 8, 272 x 32) in the top band.
  const QRect title(4, 8, 272, 32);
  int whiteInside = 0, whiteOutside = 0;
  for (int y = 0; y < 50; ++y) {
    for (int x = 0; x < 312; ++x) {
      if (image.pixel(x, y) != kWhite) continue;
      (title.contains(x, y) ? whiteInside : whiteOutside)++;
    }
  }
  EXPECT_GT(whiteInside, 40);
  EXPECT_EQ(whiteOutside, 0);

  // Close cross (button at 268, 0, its columns 15-33 and rows 18-36) and minimise bar (button at
  // 221, 0, columns 13-35, rows 26-28), in their normal grey.
  EXPECT_EQ(image.pixel(268 + 24, 18 + 9), kButtonGrey);  // where the cross's arms meet
  EXPECT_EQ(image.pixel(268 + 15, 18), kButtonGrey);
  EXPECT_EQ(image.pixel(268 + 14, 18), kBackground);
  for (int x = 221 + 13; x <= 221 + 35; ++x) {
    for (int y = 26; y <= 28; ++y) EXPECT_EQ(image.pixel(x, y), kButtonGrey) << x << "," << y;
  }
  EXPECT_EQ(image.pixel(221 + 12, 27), kBackground);
  EXPECT_EQ(image.pixel(221 + 36, 27), kBackground);
  EXPECT_EQ(image.pixel(221 + 24, 25), kBackground);
}

TEST_F(Pixels, PictureButtonShowsHoverAndPressedImages) {
  ASSERT_TRUE(LoadWindow(MainWindow));
  Settle();
  QWindow* handle = WindowWidget("MainWindow")->windowHandle();
  const QPoint bar(221 + 24, 27);  // on the minimise bar
  // The offscreen platform reports no pointer entering a window; tell the window as one would.
  QEnterEvent enter(QPointF(150, 300), QPointF(150, 300), handle->mapToGlobal(QPointF(150, 300)));
  QCoreApplication::sendEvent(handle, &enter);
  QTest::mouseMove(handle, bar);
  Settle();
  EXPECT_EQ(Render("MainWindow").pixel(bar), kWhite);
  QTest::mousePress(handle, Qt::LeftButton, {}, bar);
  EXPECT_EQ(Render("MainWindow").pixel(bar), 0xFF71B43E);
  // Let go outside the button, so it is not clicked.
  QTest::mouseMove(handle, QPoint(150, 300));
  QTest::mouseRelease(handle, Qt::LeftButton, {}, QPoint(150, 300));
  Settle();
  EXPECT_EQ(Render("MainWindow").pixel(bar), kButtonGrey);
  EXPECT_FALSE(WindowWidget("MainWindow")->isMinimized());
}

TEST_F(Pixels, HelpWindowSkin) {
  ASSERT_TRUE(LoadWindow(HelpWindow));
  Settle();
  QImage image = Render("HelpWindow");
  SaveScreenshot(image, "help_window.png");
  ASSERT_EQ(image.size(), QSize(315, 300));
  // The picture box at -57 leaves three columns of the background's edge on the left.
  for (int x = 0; x < 3; ++x) EXPECT_EQ(image.pixel(x, 150), kEdge) << x;
  EXPECT_EQ(image.pixel(3, 150), kBackground);
  EXPECT_EQ(image.pixel(200, 50), kEdge);
  // The usage text is drawn in #ECECEC-ish pixels inside its label (32, 72, 256 x 168).
  int lit = 0;
  for (int y = 72; y < 240; ++y) {
    for (int x = 32; x < 288; ++x) lit += qGray(image.pixel(x, y)) > 180;
  }
  EXPECT_GT(lit, 200);
}

}  // namespace
