// Mouse and keyboard on the windows: dragging, Esc, minimising, edit events, unloading, the end of
// the message loop, and message boxes.
#include <QAbstractButton>
#include <QApplication>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <chrono>

#include <gtest/gtest.h>

#include "app/handlers.h"
#include "forms/forms.h"
#include "platform/toolkit/message_watch.h"
#include "tests/support/gui_support.h"

namespace {

class Input : public testing::Test {
 protected:
  void SetUp() override {
    StartGui();
    ASSERT_TRUE(LoadWindow(MainWindow));
    Settle();
  }
  void TearDown() override {
    SetHandlerResolver(WindowHandlers);
    WatchMessages(nullptr);
    UnloadAll();
  }
};

TEST_F(Input, PressOnBackgroundOrTitleDragsOtherControlsDoNot) {
  const struct {
    const char* pressedOn;  // a control, or nullptr for the bare background
    bool drags;
  } cases[] = {
      {nullptr, true},      {"透明标签_标题", true},    {"编辑框_帐号", false},
      {"按钮_提交", false}, {"图形按钮_最小化", false}, {"透明标签6", false},
  };
  const QPoint by(30, 20);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pressedOn ? c.pressedOn : "background");
    QWidget* window = WindowWidget("MainWindow");
    QPoint before = window->pos();
    QPoint at(20, 290);
    if (c.pressedOn) {
      QWidget* control = ControlWidget("MainWindow", c.pressedOn);
      at = PlaceInWindow(control) + control->rect().center();
    }
    QWindow* handle = window->windowHandle();
    QPoint pressGlobal = handle->mapToGlobal(at);
    QTest::mousePress(handle, Qt::LeftButton, {}, at);
    QTest::mouseMove(handle, at + by);
    // Release where the mouse now is, in the window's present coordinates.
    QTest::mouseRelease(handle, Qt::LeftButton, {}, handle->mapFromGlobal(pressGlobal + by));
    Settle();
    EXPECT_EQ(window->pos(), c.drags ? before + by : before);
  }
}

TEST_F(Input, DraggingHelpWindowMovesOnlyHelpWindow) {
  ASSERT_TRUE(LoadWindow(HelpWindow));
  Settle();
  QWidget* help = WindowWidget("HelpWindow");
  QWidget* main = WindowWidget("MainWindow");
  QPoint helpBefore = help->pos(), mainBefore = main->pos();
  QWindow* handle = help->windowHandle();
  QPoint at(10, 280);
  QPoint pressGlobal = handle->mapToGlobal(at);
  QTest::mousePress(handle, Qt::LeftButton, {}, at);
  QTest::mouseMove(handle, at + QPoint(-40, 15));
  QTest::mouseRelease(handle, Qt::LeftButton, {},
                      handle->mapFromGlobal(pressGlobal + QPoint(-40, 15)));
  Settle();
  EXPECT_EQ(help->pos(), helpBefore + QPoint(-40, 15));
  EXPECT_EQ(main->pos(), mainBefore);
}

TEST_F(Input, EscInAccountBoxClosesTheWindowAfterTheEvent) {
  QWidget* account = ControlWidget("MainWindow", "编辑框_帐号");
  account->setFocus();
  QTest::keyClick(account, Qt::Key_Escape);
  // Destroyed once control is back in the loop, never inside the event.
  EXPECT_TRUE(IsWindowLoaded(MainWindow));
  Settle();
  EXPECT_FALSE(IsWindowLoaded(MainWindow));
  EXPECT_EQ(WindowWidget("MainWindow"), nullptr);
}

TEST_F(Input, MinimiseButtonMinimises) {
  QWidget* window = WindowWidget("MainWindow");
  QWidget* minimise = ControlWidget("MainWindow", "图形按钮_最小化");
  QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {},
                    PlaceInWindow(minimise) + QPoint(20, 25));
  Settle();
  EXPECT_TRUE(window->isMinimized());
  EXPECT_TRUE(IsWindowLoaded(MainWindow));
}

TEST_F(Input, CloseButtonUnloadsMainWindow) {
  QWidget* window = WindowWidget("MainWindow");
  // The part of the close button left of the window's right edge.
  QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, QPoint(290, 25));
  Settle();
  EXPECT_FALSE(IsWindowLoaded(MainWindow));
}

int textChanges = 0;
Handler CountTextChanges(const Text& name) {
  if (name == "CheckRandomMax") return [] { ++textChanges; };
  return WindowHandlers(name);
}

TEST_F(Input, EditBoxRaisesTextChangedForEveryWriteAndKey) {
  SetHandlerResolver(CountTextChanges);
  textChanges = 0;
  WriteProperty({MainWindow, G("编辑框_随机大")}, TextProperty::text, "98800");  // unchanged
  EXPECT_EQ(textChanges, 1);
  WriteProperty({MainWindow, G("编辑框_随机大")}, TextProperty::text, "");
  EXPECT_EQ(textChanges, 2);
  QWidget* upper = ControlWidget("MainWindow", "编辑框_随机大");
  upper->setFocus();
  QTest::keyClicks(upper, "100000");
  EXPECT_EQ(textChanges, 8);
  EXPECT_EQ(ReadProperty({MainWindow, G("编辑框_随机大")}, TextProperty::text), "100000");
}

TEST_F(Input, WindowPropertiesReadBackWhatWasWritten) {
  WriteProperty(MainWindow, NumberProperty::left, 1121);
  WriteProperty(MainWindow, NumberProperty::top, 20);
  EXPECT_EQ(ReadProperty(MainWindow, NumberProperty::left), 1121);
  EXPECT_EQ(ReadProperty(MainWindow, NumberProperty::top), 20);
  EXPECT_EQ(ReadProperty(MainWindow, NumberProperty::width), 312);
  WriteProperty(MainWindow, TextProperty::text, G("使用说明"));
  EXPECT_EQ(ReadProperty(MainWindow, TextProperty::text), G("使用说明"));
  WriteProperty({MainWindow, G("透明标签_标题")}, TextProperty::text, G("标题"));
  EXPECT_EQ(ReadProperty({MainWindow, G("透明标签_标题")}, TextProperty::text), G("标题"));
  EXPECT_EQ(ReadProperty({MainWindow, G("没有这个控件")}, TextProperty::text), "");
  const Text longAccount(40000, 'a');  // edit boxes have no length limit of their own
  WriteProperty({MainWindow, G("编辑框_帐号")}, TextProperty::text, longAccount);
  EXPECT_EQ(ReadProperty({MainWindow, G("编辑框_帐号")}, TextProperty::text), longAccount);
  EXPECT_EQ(ReadProperty(HelpWindow, NumberProperty::left), 0);  // not loaded
}

TEST_F(Input, ProgramRunsUntilTheLastWindowIsGone) {
  ASSERT_TRUE(LoadWindow(HelpWindow));
  bool helpOutlivedMain = false;
  // Close MainWindow by its button; once that has taken effect, check and close HelpWindow by Esc.
  QTimer::singleShot(0, [&] {
    QTest::mouseClick(WindowWidget("MainWindow")->windowHandle(), Qt::LeftButton, {},
                      QPoint(290, 25));
    QTimer::singleShot(0, [&] {
      helpOutlivedMain = !IsWindowLoaded(MainWindow) && IsWindowLoaded(HelpWindow);
      QTest::keyClick(WindowWidget("HelpWindow"), Qt::Key_Escape);
    });
  });
  // A stuck loop fails the test instead of hanging it.
  QTimer guard;
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, [] { UnloadAll(); });
  guard.start(10000);
  RunMessageLoop();
  EXPECT_TRUE(guard.isActive());
  EXPECT_TRUE(helpOutlivedMain);
  EXPECT_FALSE(IsWindowLoaded(HelpWindow));
}

TEST_F(Input, CloseMessageDestroysAfterTheCall) {
  EXPECT_EQ(SendWindowMessage(MainWindow, WM_CLOSE, 0, 0), 0);
  EXPECT_TRUE(IsWindowLoaded(MainWindow));
  Settle();
  EXPECT_FALSE(IsWindowLoaded(MainWindow));
  EXPECT_EQ(SendWindowMessage(MainWindow, WM_CLOSE, 0, 0), 0);  // not loaded: nothing happens
}

TEST_F(Input, DescriptionThatCannotBeBuiltLoadsNothing) {
  auto label = [](const char* name, const char* parent) {
    return ControlDescription{.kind = ControlKind::transparentLabel,
                              .name = name,
                              .parent = parent,
                              .width = 10,
                              .height = 10};
  };
  ControlDescription missingImage{.kind = ControlKind::pictureBox,
                                  .name = "box",
                                  .width = 10,
                                  .height = 10,
                                  .image = ":/forms/no_such_image.png"};
  const WindowDescription broken[] = {
      {.name = "UnknownParent", .width = 50, .height = 50, .controls = {label("a", "nowhere")}},
      {.name = "RepeatedName",
       .width = 50,
       .height = 50,
       .controls = {label("a", ""), label("a", "")}},
      {.name = "MissingImage", .width = 50, .height = 50, .controls = {missingImage}},
  };
  for (const WindowDescription& window : broken) {
    SCOPED_TRACE(window.name);
    EXPECT_FALSE(LoadWindow(window));
    EXPECT_FALSE(IsWindowLoaded(window));
    EXPECT_EQ(WindowWidget(window.name.c_str()), nullptr);
  }
}

TEST_F(Input, MessageBoxHasCaptionTextOneOkButtonAndNoIcon) {
  std::vector<ShownMessage> shown;
  WatchMessages([&](const ShownMessage& message) { shown.push_back(message); });
  ShowMessage(G("步数请勿大于98800"), G("温馨提示!"));
  ShowMessage("<b>as typed</b>", G("温馨提示!"));
  ShowMessage("", G("温馨提示!"));
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0].caption, G("温馨提示!"));
  EXPECT_EQ(shown[0].text, G("步数请勿大于98800"));
  EXPECT_EQ(shown[0].buttonCount, 1);
  EXPECT_FALSE(shown[0].hasIcon);
  EXPECT_TRUE(shown[0].modal);
  EXPECT_EQ(shown[1].text, "<b>as typed</b>");
  EXPECT_EQ(shown[2].text, "");
}

// Texts as large as a reply may carry (its body is capped at 64 MiB): the box stays within the
// screen with its OK button on it, shows up without a long freeze, and the whole text is there to
// scroll through.
TEST_F(Input, HugeMessageStaysOnTheScreenAndScrolls) {
  constexpr std::size_t kBodyCap = 64u << 20;
  auto repeated = [](const char* utf8, std::size_t bytes) {
    const Text piece = G(utf8);
    Text text;
    text.reserve(bytes);
    while (text.size() + piece.size() <= bytes) text += piece;
    return text;
  };
  const struct {
    const char* what;
    Text text;
    double charactersPerByte;  // in UTF-16 code units
  } cases[] = {
      {"one line of 64 MiB", repeated("步数请勿大于98800 ", kBodyCap), 12.0 / 18},
      {"a million short lines", repeated("一行短字\r\n", 10'000'000), 6.0 / 10},
  };
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ShownMessage shown;
    QRect box, ok;
    int scrollsTo = 0;
    WatchMessages([&](const ShownMessage& message) {
      shown = message;
      QWidget* dialog = QApplication::activeModalWidget();
      ASSERT_NE(dialog, nullptr);
      box = dialog->frameGeometry();
      auto* button = dialog->findChild<QAbstractButton*>();
      ASSERT_NE(button, nullptr);
      ok = QRect(button->mapToGlobal(QPoint()), button->size());
      for (const QScrollBar* bar : dialog->findChildren<QScrollBar*>()) {
        if (bar->orientation() == Qt::Vertical && bar->isVisible()) scrollsTo = bar->maximum();
      }
    });
    const auto start = std::chrono::steady_clock::now();
    ShowMessage(c.text, G("温馨提示!"));
    // Loose, for a busy machine: the old box took 11 s for a single megabyte.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
    EXPECT_TRUE(screen.contains(box)) << box.x() << "," << box.y() << " " << box.width() << "x"
                                      << box.height();
    EXPECT_TRUE(screen.contains(ok));
    EXPECT_TRUE(shown.text == c.text);
    EXPECT_EQ(shown.buttonCount, 1);
    // The scroll range reaches the last page: everything but one screenful lies below the top.
    const double characters = c.charactersPerByte * static_cast<double>(c.text.size());
    EXPECT_GT(scrollsTo, characters - 20000);
  }
}

}  // namespace
