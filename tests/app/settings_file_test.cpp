// The settings file as the main window and the submission use it.
#include "app/settings_file.h"

#include "app/data_directory.h"
#include "tests/support/temp_root.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class SettingsFile : public TempRoot {
 protected:
  void TearDown() override {
    ReleaseDataDirectory();
    TempRoot::TearDown();
  }
  // A first start: no file yet, so the folders are made; the random draw stores the range.
  void FirstStart() {
    SetDataDirectory();
    if (!PathExists(SettingsPath())) EnsureDirectoryPath(SettingsPath());
    WriteIniValue(SettingsPath(), kSettingsSection, kRandomLowKey, "0");
    WriteIniValue(SettingsPath(), kSettingsSection, kRandomHighKey, "98800");
  }
};

TEST_F(SettingsFile, FirstStartThenSubmissionGivesTheKnownLayout) {
  FirstStart();
  EXPECT_EQ(DataDirectory, "Z:\\home\\u\\Documents\\\\Vormeth");
  EXPECT_EQ(SettingsPath(), "Z:\\home\\u\\Documents\\\\Vormeth\\user.ini");
  EXPECT_EQ(FileBytes("home/u/Documents/Vormeth/user.ini"),
            "[用户信息]\r\n随机小=0\r\n随机大=98800\r\n");

  WriteIniValue(SettingsPath(), kSettingsSection, kAccountKey, "13800138000");
  WriteIniValue(SettingsPath(), kSettingsSection, kStoredPasswordKey, "808382DFBA0C9F2");
  FirstStart();  // a second start rewrites the range in place
  EXPECT_EQ(FileBytes("home/u/Documents/Vormeth/user.ini"),
            "[用户信息]\r\n随机小=0\r\n随机大=98800\r\n帐号=13800138000\r\n"
            "密码=808382DFBA0C9F2\r\n");
  EXPECT_EQ(ReadIniValue(SettingsPath(), kSettingsSection, kAccountKey), "13800138000");
  EXPECT_EQ(ReadIniValue(SettingsPath(), "用户信息", "密码"), "808382DFBA0C9F2");
  EXPECT_TRUE(PathExists(SettingsPath()));
  EXPECT_TRUE(PathExists(DataDirectory));  // a folder counts
}

TEST_F(SettingsFile, AHomeGbkCannotNameKeepsItsSettingsOnADriveOfItsOwn) {
  const std::u8string name = u8"jörg";
  std::filesystem::create_directories(root / "home" / name);
  SaveEnv("HOME", (root / "home" / name).string());
  FirstStart();
  EXPECT_EQ(DataDirectory, "Y:\\\\Vormeth");
  EXPECT_EQ(
      FileBytes((std::filesystem::path("home") / name / "Documents/Vormeth/user.ini").string()),
      "[用户信息]\r\n随机小=0\r\n随机大=98800\r\n");
}

TEST_F(SettingsFile, EnsureDirectoryPathNeedsADriveLetter) {
  EXPECT_TRUE(EnsureDirectoryPath("Z:\\a\\b\\user.ini"));
  EXPECT_TRUE(std::filesystem::is_directory(root / "a/b"));
  EXPECT_FALSE(std::filesystem::exists(root / "a/b/user.ini"));

  const std::filesystem::path cwd = std::filesystem::current_path();
  std::filesystem::current_path(root / "home");
  EXPECT_FALSE(EnsureDirectoryPath("\\c\\user.ini"));
  EXPECT_FALSE(EnsureDirectoryPath("c\\b.ini"));
  std::filesystem::current_path(cwd);
  EXPECT_FALSE(std::filesystem::exists(root / "c"));
  EXPECT_FALSE(std::filesystem::exists(root / "home/c"));
}

TEST_F(SettingsFile, LeadingBlanksInPathSectionAndKeyAreSkipped) {
  FirstStart();
  const Text path = SettingsPath();
  EXPECT_EQ(ReadIniValue("  " + path, kSettingsSection, " \t随机大"), "98800");
  EXPECT_EQ(ReadIniValue(path, "\n用户信息", kRandomLowKey), "0");
  EXPECT_EQ(ReadIniValue(path, kSettingsSection, "   "), "");
  EXPECT_EQ(ReadIniValue("", kSettingsSection, kRandomLowKey), "");
  EXPECT_EQ(ReadIniValue(path, kSettingsSection, kAccountKey), "");  // not written yet
}

TEST_F(SettingsFile, LongValuesComeBackCutTo10239Bytes) {
  FirstStart();
  const Text value = Text(10000, 'x') + Text(500, 'y');
  WriteIniValue(SettingsPath(), kSettingsSection, kAccountKey, value);
  EXPECT_EQ(ReadIniValue(SettingsPath(), kSettingsSection, kAccountKey), value.substr(0, 10239));
}

TEST_F(SettingsFile, UnknownDocumentsFolderLeavesTheRootOfTheDrive) {
  SaveEnv("HOME", "/outside/the/root");
  SetDataDirectory();
  EXPECT_EQ(DataDirectory, "\\Vormeth");
  EXPECT_FALSE(EnsureDirectoryPath(SettingsPath()));
  EXPECT_FALSE(std::filesystem::exists(root / "Vormeth"));
}

// A folder that cannot be made: nothing is reported, reads stay empty, writes change nothing.
void ExpectQuietFailure(const std::filesystem::path& documents) {
  SetDataDirectory();
  EXPECT_FALSE(PathExists(SettingsPath()));
  EXPECT_TRUE(EnsureDirectoryPath(SettingsPath()));
  WriteIniValue(SettingsPath(), kSettingsSection, kRandomLowKey, "0");
  EXPECT_EQ(ReadIniValue(SettingsPath(), kSettingsSection, kRandomLowKey), "");
  EXPECT_FALSE(std::filesystem::is_directory(documents / "Vormeth"));
}

TEST_F(SettingsFile, AFileInTheWayFailsQuietly) {
  std::filesystem::create_directories(root / "home/u/Documents");
  PutFile("home/u/Documents/Vormeth", "not a folder");
  ExpectQuietFailure(root / "home/u/Documents");
  EXPECT_EQ(FileBytes("home/u/Documents/Vormeth"), "not a folder");
}

TEST_F(SettingsFile, AReadOnlyParentFailsQuietly) {
  std::filesystem::create_directories(root / "home/u/Documents");
  std::filesystem::permissions(root / "home/u/Documents", std::filesystem::perms(0555));
  // Runs in a child; as root it first gives up its rights, which would otherwise ignore the mode.
  EXPECT_EXIT(
      {
        std::filesystem::permissions(root, std::filesystem::perms(0755));
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) std::_Exit(2);
        ExpectQuietFailure(root / "home/u/Documents");
        std::_Exit(testing::Test::HasFailure() ? 1 : 0);
      },
      testing::ExitedWithCode(0), "");
}

}  // namespace
