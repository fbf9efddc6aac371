// The help button and HelpWindow beside MainWindow.
#include <QTest>

#include <gtest/gtest.h>

#include "forms/forms.h"
#include "tests/app/window_fixture.h"

namespace {

using HelpWindowBehaviour = WindowFixture;

TEST_F(HelpWindowBehaviour, HelpButtonTogglesHelpWindowBesideMainWindow) {
  StartMainWindow();
  ASSERT_EQ(ReadProperty(MainWindow, NumberProperty::left), 804);

  Click("MainWindow", "图形按钮_帮助");
  ASSERT_TRUE(IsWindowLoaded(HelpWindow));
  EXPECT_EQ(ReadProperty(HelpWindow, NumberProperty::left), 1121);
  EXPECT_EQ(ReadProperty(HelpWindow, NumberProperty::top), 384);
  EXPECT_EQ(ReadProperty(HelpWindow, TextProperty::text), G("使用说明"));

  Click("MainWindow", "图形按钮_帮助");
  EXPECT_FALSE(IsWindowLoaded(HelpWindow));

  WriteProperty(MainWindow, NumberProperty::left, 100);
  WriteProperty(MainWindow, NumberProperty::top, 50);
  Click("MainWindow", "图形按钮_帮助");
  ASSERT_TRUE(IsWindowLoaded(HelpWindow));
  EXPECT_EQ(ReadProperty(HelpWindow, NumberProperty::left), 417);
  EXPECT_EQ(ReadProperty(HelpWindow, NumberProperty::top), 50);

  // Placed once: it stays where it is when MainWindow moves on.
  WriteProperty(MainWindow, NumberProperty::left, 300);
  Settle();
  EXPECT_EQ(ReadProperty(HelpWindow, NumberProperty::left), 417);
}

TEST_F(HelpWindowBehaviour, EscAndItsCloseButtonCloseOnlyHelpWindow) {
  StartMainWindow();
  Click("MainWindow", "图形按钮_帮助");
  QTest::keyClick(WindowWidget("HelpWindow"), Qt::Key_Escape);
  Settle();
  EXPECT_FALSE(IsWindowLoaded(HelpWindow));
  EXPECT_TRUE(IsWindowLoaded(MainWindow));

  Click("MainWindow", "图形按钮_帮助");
  Click("HelpWindow", "图形按钮_关闭");
  EXPECT_FALSE(IsWindowLoaded(HelpWindow));
  EXPECT_TRUE(IsWindowLoaded(MainWindow));
}

TEST_F(HelpWindowBehaviour, UsageTextKeepsItsSpacesAndOneEmptyLineBetweenParagraphs) {
  StartMainWindow();
  Click("MainWindow", "图形按钮_帮助");
  Text usage = ReadProperty({HelpWindow, G("透明标签1")}, TextProperty::text);
  TextArray lines = SplitText(usage, "\r\n");
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], G("1.手机去应该商店下载Zepp Life，注册    好帐号；"));
  EXPECT_EQ(lines[1], "");
  EXPECT_EQ(lines[2], G("2.登录APP后，我的→第三方接入→选择    微信（支付宝）；"));
  EXPECT_EQ(lines[3], "");
  EXPECT_EQ(lines[4],
            G("3.绑定好后，填入刚才注册的帐号和密     码，点击更新步数，提示成功后，然后   "
              "去微信（支付宝）查看效果。  "));
}

}  // namespace
