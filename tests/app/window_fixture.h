// A fresh home folder per test, the windows on the offscreen platform, and every message box
// recorded (and closed) as it is shown.
#pragma once

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/toolkit/message_watch.h"
#include "tests/support/gui_support.h"

class WindowFixture : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // MainWindow loaded as the program loads it (its start-up handler runs).
  void StartMainWindow();

  // A MainWindow box (by its UTF-8 name) read or written as the handlers do.
  Text Box(const char* name);
  void SetBox(const char* name, const char* utf8Value);
  void Click(const char* window, const char* control);

  // The settings file's bytes; empty when there is none.
  std::string SettingsFileBytes() const;
  std::string SettingsFolder() const;
  // Writes the settings file (the folder is made first).
  void WriteSettingsFile(const std::string& bytes) const;

  // Boxes shown so far, in order.
  std::vector<ShownMessage> messages;

 private:
  QTemporaryDir home_;
};

// The GBK lines of a settings file, joined with CR LF and ended by one.
std::string IniLines(const std::vector<const char*>& utf8Lines);
