#include "tests/app/window_fixture.h"

#include <QDir>
#include <QTest>

#include <fstream>
#include <sstream>

#include "app/handlers.h"
#include "forms/forms.h"

void WindowFixture::SetUp() {
  StartGui();
  SetHandlerResolver(FindHandler);
  qputenv("HOME", home_.path().toLocal8Bit());
  WatchMessages([this](const ShownMessage& message) { messages.push_back(message); });
}

void WindowFixture::TearDown() {
  UnloadAll();
  WatchMessages(nullptr);
}

void WindowFixture::StartMainWindow() {
  ASSERT_TRUE(LoadWindow(MainWindow));
  Settle();
}

Text WindowFixture::Box(const char* name) {
  return ReadProperty({MainWindow, G(name)}, TextProperty::text);
}

void WindowFixture::SetBox(const char* name, const char* utf8Value) {
  WriteProperty({MainWindow, G(name)}, TextProperty::text, G(utf8Value));
}

void WindowFixture::Click(const char* window, const char* control) {
  QWidget* widget = ControlWidget(window, control);
  ASSERT_NE(widget, nullptr) << control;
  QTest::mouseClick(widget, Qt::LeftButton);
  Settle();
}

std::string WindowFixture::SettingsFolder() const {
  return home_.path().toStdString() + "/Documents/Vormeth";
}

std::string WindowFixture::SettingsFileBytes() const {
  std::ifstream file(SettingsFolder() + "/user.ini", std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

void WindowFixture::WriteSettingsFile(const std::string& bytes) const {
  QDir().mkpath(QString::fromStdString(SettingsFolder()));
  std::ofstream(SettingsFolder() + "/user.ini", std::ios::binary) << bytes;
}

std::string IniLines(const std::vector<const char*>& utf8Lines) {
  std::string lines;
  for (const char* line : utf8Lines) lines += G(line) + "\r\n";
  return lines;
}
