// update-steps itself, started as a new user would start it, in a throw-away home on the offscreen
// platform: its first start draws a random count and so writes the range to user.ini below the
// documents folder, whatever characters the home's path holds.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;

std::string FileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class FirstStart : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "first-start-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    work = pattern;
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(work, ignored);
  }

  // Starts the program with home as HOME and waits (at most 30 s: the machine is shared) until
  // the settings file holds want; then ends the program. The file's bytes at that moment.
  std::string StartAndWaitFor(const fs::path& home, const fs::path& settings,
                              const std::string& want) {
    fs::create_directories(home);
    pid_t child = fork();
    if (child == 0) {
      setenv("HOME", home.c_str(), 1);
      unsetenv("XDG_CONFIG_HOME");
      setenv("QT_QPA_PLATFORM", "offscreen", 1);
      setenv("QT_LOGGING_RULES", "*=false", 1);
      execl(UPDATE_STEPS_PROGRAM, UPDATE_STEPS_PROGRAM, static_cast<char*>(nullptr));
      _exit(127);
    }
    EXPECT_GT(child, 0);
    if (child <= 0) return "";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    std::string bytes;
    while ((bytes = FileBytes(settings)) != want && std::chrono::steady_clock::now() < deadline &&
           waitpid(child, nullptr, WNOHANG) == 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    return bytes;
  }

  fs::path work;
};

TEST_F(FirstStart, WritesTheRangeBelowTheDocumentsFolderWhateverTheHomeIsCalled) {
  // [用户信息] 随机小=0 随机大=98800 in GBK, CR LF.
  const std::string want =
      "[\xD3\xC3\xBB\xA7\xD0\xC5\xCF\xA2]\r\n\xCB\xE6\xBB\xFA\xD0\xA1=0\r\n"
      "\xCB\xE6\xBB\xFA\xB4\xF3=98800\r\n";
  for (const std::u8string name : {u8"u", u8"jörg", u8"김민준", u8"Мої"}) {
    const fs::path home = work / name;
    SCOPED_TRACE(home.string());
    EXPECT_EQ(StartAndWaitFor(home, home / "Documents/Vormeth/user.ini", want), want);
  }
}

}  // namespace
