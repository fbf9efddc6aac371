// Kills a writer again and again in the middle of replacing a large settings file: every time,
// the file on disk must be the whole old file or the whole new one.
#include "platform/files/files.h"
#include "tests/support/temp_root.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <thread>

namespace {

using CrashSafety = TempRoot;

TEST_F(CrashSafety, KilledWriterLeavesTheOldOrTheNewFile) {
  const char* path = "Z:\\user.ini";
  const std::string valueA(4 << 20, 'a'), valueB(4 << 20, 'b');
  const std::string fileA = "[s]\r\nk=" + valueA + "\r\n";
  const std::string fileB = "[s]\r\nk=" + valueB + "\r\n";
  ASSERT_TRUE(WritePrivateProfileStringA("s", "k", valueA.c_str(), path));

  // One uninterrupted write sets the scale of the kill delays.
  auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(WritePrivateProfileStringA("s", "k", valueB.c_str(), path));
  // Capped so that a slow disk cannot stretch the test.
  auto writeTime = std::min<std::chrono::steady_clock::duration>(
      std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
  std::mt19937 random(12345);
  std::uniform_int_distribution<long long> delayNs(
      0, std::chrono::duration_cast<std::chrono::nanoseconds>(writeTime).count());

  int killedMidWrite = 0;
  bool newIsA = true;
  for (int round = 0; round < 40; ++round) {
    const std::string& next = newIsA ? valueA : valueB;
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      WritePrivateProfileStringA("s", "k", next.c_str(), path);
      _exit(0);
    }
    std::this_thread::sleep_for(std::chrono::nanoseconds(delayNs(random)));
    kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    killedMidWrite += WIFSIGNALED(status);

    const std::string bytes = FileBytes("user.ini");
    ASSERT_TRUE(bytes == fileA || bytes == fileB) << "round " << round << ": " << bytes.size();
    newIsA = bytes == fileB;  // always ask for the other file next
  }
  EXPECT_GT(killedMidWrite, 0);
}

}  // namespace
