// MainWindow at start-up, the random step count and the warning about its range.
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

#include "forms/forms.h"
#include "tests/app/window_fixture.h"

namespace {

using MainWindowBehaviour = WindowFixture;

constexpr const char* kWarning = "步数请勿大于98800";

TEST_F(MainWindowBehaviour, FirstStartCreatesSettingsHoldingOnlyTheRange) {
  ASSERT_FALSE(std::filesystem::exists(SettingsFolder()));
  StartMainWindow();
  EXPECT_TRUE(std::filesystem::is_directory(SettingsFolder()));
  EXPECT_EQ(Box("编辑框_帐号"), "");
  EXPECT_EQ(Box("编辑框_密码"), "");
  EXPECT_EQ(Box("编辑框_随机小"), "0");
  EXPECT_EQ(Box("编辑框_随机大"), "98800");
  Text steps = Box("编辑框_步数");
  EXPECT_EQ(NumberToText(TextToInt(steps)), steps);
  EXPECT_GE(TextToInt(steps), 0);
  EXPECT_LE(TextToInt(steps), 98800);
  EXPECT_EQ(SettingsFileBytes(), IniLines({"[用户信息]", "随机小=0", "随机大=98800"}));
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(ReadProperty(MainWindow, TextProperty::text), G("更新运动步数"));
}

TEST_F(MainWindowBehaviour, TypingAnUpperBoundAboveTheLimitWarnsFromTheKeyThatCrossesIt) {
  StartMainWindow();
  QWidget* high = ControlWidget("MainWindow", "编辑框_随机大");
  SetBox("编辑框_随机大", "");
  const char* keys = "100000";
  for (int typed = 1; keys[typed - 1]; ++typed) {
    QTest::keyClick(high, keys[typed - 1]);
    Settle();
    EXPECT_EQ(messages.size(), typed < 6 ? 0u : 1u) << "after key " << typed;
  }
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, G(kWarning));
  EXPECT_EQ(messages[0].caption, G("温馨提示!"));
  EXPECT_EQ(Box("编辑框_随机大"), "100000");  // warned about, never corrected

  const struct {
    const char* value;
    bool warns;
  } cases[] = {{"98800", false}, {"98801", true}, {"abc", false}, {"-99999", false}};
  for (const auto& c : cases) {
    messages.clear();
    SetBox("编辑框_随机大", c.value);
    EXPECT_EQ(messages.size(), c.warns ? 1u : 0u) << c.value;
  }

  // One more digit after the limit warns at once, and every further change above it again.
  SetBox("编辑框_随机大", "98800");
  messages.clear();
  const struct {
    int key;
    const char* after;
    size_t warningsSoFar;
  } edits[] = {{'0', "988000", 1}, {'1', "9880001", 2}, {Qt::Key_Backspace, "988000", 3},
               {Qt::Key_Backspace, "98800", 3}};
  for (const auto& edit : edits) {
    QTest::keyClick(high, static_cast<Qt::Key>(edit.key));
    Settle();
    EXPECT_EQ(Box("编辑框_随机大"), edit.after);
    EXPECT_EQ(messages.size(), edit.warningsSoFar) << edit.after;
  }
}

TEST_F(MainWindowBehaviour, StoredUpperBoundAboveTheLimitWarnsBeforeTheFirstDraw) {
  WriteSettingsFile(IniLines({"[用户信息]", "随机小=99000", "随机大=99999"}));
  StartMainWindow();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, G(kWarning));
  // The draw came after the warning, from the stored range.
  EXPECT_GE(TextToInt(Box("编辑框_步数")), 99000);
  EXPECT_LE(TextToInt(Box("编辑框_步数")), 99999);
}

TEST_F(MainWindowBehaviour, DrawsWithinTheRangeAndStoresItAsTyped) {
  StartMainWindow();
  const struct {
    const char* low;
    const char* high;
    int least, most;
  } cases[] = {
      {"500", "100", 100, 500},  // swapped
      {"7", "7", 7, 7},
      {"-5", "0", 0, 0},  // negative bounds count as 0
      {"0", "98800", 0, 98800},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.low) + ".." + c.high);
    SetBox("编辑框_随机小", c.low);
    SetBox("编辑框_随机大", c.high);
    for (int draw = 0; draw < 20; ++draw) {
      Click("MainWindow", "按钮_随机");
      int steps = TextToInt(Box("编辑框_步数"));
      EXPECT_GE(steps, c.least);
      EXPECT_LE(steps, c.most);
    }
    EXPECT_EQ(SettingsFileBytes(),
              IniLines({"[用户信息]", (std::string("随机小=") + c.low).c_str(),
                        (std::string("随机大=") + c.high).c_str()}));
  }
}

TEST_F(MainWindowBehaviour, AStoredEmptyUpperBoundKeepsTheFormsBoundAndStoresIt) {
  WriteSettingsFile(IniLines({"[用户信息]", "随机小=5", "随机大="}));
  StartMainWindow();
  EXPECT_EQ(Box("编辑框_随机大"), "98800");
  EXPECT_EQ(SettingsFileBytes(), IniLines({"[用户信息]", "随机小=5", "随机大=98800"}));
  EXPECT_TRUE(messages.empty());
}

TEST_F(MainWindowBehaviour, StoredValuesFillTheBoxesAtStart) {
  WriteSettingsFile(
      IniLines({"[用户信息]", "随机小=7", "随机大=7", "帐号=walker", "密码=not made with our key"}));
  StartMainWindow();
  EXPECT_EQ(Box("编辑框_帐号"), "walker");
  EXPECT_EQ(Box("编辑框_密码"), "");  // a stored form of another key restores nothing
  EXPECT_EQ(Box("编辑框_步数"), "7");
}

}  // namespace
