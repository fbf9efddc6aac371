// Both windows as they first appear: place, frame, and every control at its place with its text.
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include "forms/forms.h"
#include "tests/support/gui_support.h"

namespace {

class Layout : public testing::Test {
 protected:
  void SetUp() override { StartGui(); }
  void TearDown() override { UnloadAll(); }
};

struct Expected {
  const char* name;
  int x, y, width, height;  // in the window
  const char* text;  // nullptr: a step count drawn at start-up
};

void ExpectControls(const WindowDescription& window, const char* windowName,
                    const std::vector<Expected>& expected) {
  for (const Expected& control : expected) {
    SCOPED_TRACE(control.name);
    QWidget* widget = ControlWidget(windowName, control.name);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(QRect(PlaceInWindow(widget), widget->size()),
              QRect(control.x, control.y, control.width, control.height));
    EXPECT_TRUE(widget->isVisible());
    Text text = ReadProperty({window, G(control.name)}, TextProperty::text);
    if (control.text) {
      EXPECT_EQ(text, G(control.text));
    } else {
      EXPECT_EQ(NumberToText(TextToInt(text)), text);
    }
  }
}

TEST_F(Layout, MainWindowIsCentredFramelessWithEveryControlInPlace) {
  ASSERT_TRUE(LoadWindow(MainWindow));
  QWidget* window = WindowWidget("MainWindow");
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1920);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 1080);
  EXPECT_EQ(window->frameGeometry(), QRect(804, 384, 312, 312));
  EXPECT_EQ(ReadProperty(MainWindow, NumberProperty::left), 804);
  EXPECT_EQ(ReadProperty(MainWindow, NumberProperty::top), 384);
  EXPECT_EQ(ReadProperty(MainWindow, NumberProperty::width), 312);
  EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_TRUE(window->windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_FALSE(window->windowIcon().isNull());
  EXPECT_EQ(ReadProperty(MainWindow, TextProperty::text), G("更新运动步数"));

  // Children of the picture box at -60, 0: the table's places minus 60 in x.
  ExpectControls(MainWindow, "MainWindow",
                 {
                     {"图片框1", -60, 0, 372, 312, ""},
                     {"透明标签5", 157, 202, 16, 24, "—"},
                     {"透明标签4", 36, 192, 72, 32, "随机范围："},
                     {"编辑框_随机大", 174, 200, 40, 24, "98800"},
                     {"编辑框_随机小", 116, 200, 40, 24, "0"},
                     {"按钮_随机", 222, 193, 40, 34, "随机"},
                     {"按钮_提交", 113, 250, 96, 40, "更新步数"},
                     {"编辑框_步数", 116, 154, 150, 24, nullptr},
                     {"编辑框_密码", 116, 113, 150, 24, ""},
                     {"编辑框_帐号", 116, 73, 150, 24, ""},
                     {"透明标签3", 12, 146, 96, 32, "设置步数："},
                     {"透明标签1", 12, 105, 96, 32, "Zepp Life密码："},
                     {"透明标签6", 12, 65, 96, 32, "Zepp Life帐号："},
                     {"图形按钮_帮助", 247, 249, 50, 50, ""},
                     {"透明标签_标题", 4, 8, 272, 32, "更新运动步数"},
                     {"图形按钮_关闭", 268, 0, 50, 50, ""},
                     {"图形按钮_最小化", 221, 0, 50, 50, ""},
                 });
  // Where minimise and close overlap, close lies above.
  EXPECT_EQ(window->childAt(269, 25), ControlWidget("MainWindow", "图形按钮_关闭"));
}

TEST_F(Layout, HelpWindowHoldsTheUsageTextAsWritten) {
  ASSERT_TRUE(LoadWindow(HelpWindow));
  QWidget* window = WindowWidget("HelpWindow");
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->size(), QSize(315, 300));
  EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);
  const char* usage =
      "1.手机去应该商店下载Zepp Life，注册    好帐号；\r\n\r\n"
      "2.登录APP后，我的→第三方接入→选择    微信（支付宝）；\r\n\r\n"
      "3.绑定好后，填入刚才注册的帐号和密     码，点击更新步数，提示成功后，然后   "
      "去微信（支付宝）查看效果。  ";
  ExpectControls(HelpWindow, "HelpWindow",
                 {
                     {"图片框1", -57, 0, 372, 300, ""},
                     {"透明标签1", 32, 72, 256, 168, usage},
                     {"透明标签_标题", 7, 8, 272, 32, "使用说明"},
                     {"图形按钮_关闭", 271, 0, 50, 50, ""},
                 });
}

TEST_F(Layout, PasswordBoxShowsOnlyStars) {
  ASSERT_TRUE(LoadWindow(MainWindow));
  auto* password = dynamic_cast<QLineEdit*>(ControlWidget("MainWindow", "编辑框_密码"));
  ASSERT_NE(password, nullptr);
  password->setFocus();
  QTest::keyClicks(password, "s3cret");
  EXPECT_EQ(password->displayText(), QStringLiteral("******"));
  EXPECT_EQ(ReadProperty({MainWindow, G("编辑框_密码")}, TextProperty::text), "s3cret");
}

}  // namespace
