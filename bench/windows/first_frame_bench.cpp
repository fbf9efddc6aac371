// Time from process start to the first painted frame, and peak resident memory, of update-steps
// beside a minimal Qt Widgets window (empty, and with one Chinese label), measured the same way in
// the same run.
//
// Usage: windows_first_frame [--runs N] [--keep-platform]
// Each program is started N times (alternating, default 10) on Qt's offscreen platform with a
// 1920 x 1080 screen, or with the inherited platform given --keep-platform (e.g. under Xvfb).
// Time: from just before fork to the child's "painted" line; memory: the child's ru_maxrss.
// The programs run with a throw-away home, so update-steps never reads or writes the user's
// settings.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/throwaway_home.h"

namespace {

struct Sample {
  double milliseconds = 0;
  long peakKilobytes = 0;
};

bool RunOnce(const std::string& program, Sample* sample) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return false;
  auto start = std::chrono::steady_clock::now();
  pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    dup2(pipeFds[1], STDOUT_FILENO);
    close(pipeFds[0]);
    close(pipeFds[1]);
    execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(pipeFds[1]);
  char line[16] = {};
  ssize_t got = read(pipeFds[0], line, sizeof line - 1);
  auto painted = std::chrono::steady_clock::now();
  close(pipeFds[0]);
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  if (got <= 0 || std::strncmp(line, "painted", 7) != 0) return false;
  sample->milliseconds = std::chrono::duration<double, std::milli>(painted - start).count();
  sample->peakKilobytes = usage.ru_maxrss;
  return true;
}

template <typename T>
T Median(std::vector<T> values) {
  std::sort(values.begin(), values.end());
  std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 10;
  bool keepPlatform = false;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--runs") && i + 1 < argc) runs = std::atoi(argv[++i]);
    if (!std::strcmp(argv[i], "--keep-platform")) keepPlatform = true;
  }
  if (!keepPlatform) setenv("QT_QPA_PLATFORM", "offscreen:configfile=" OFFSCREEN_CONFIG, 1);
  ThrowawayHome home;
  std::string folder(argv[0]);
  folder = folder.substr(0, folder.find_last_of('/') + 1);
  const char* const names[] = {"update-steps", "minimal window", "minimal + label"};
  const std::string programs[] = {folder + "windows_first_frame_update_steps",
                                  folder + "windows_first_frame_minimal",
                                  folder + "windows_first_frame_minimal_label"};
  constexpr int kPrograms = 3;
  std::vector<Sample> samples[kPrograms];
  for (int run = 0; run < runs; ++run) {
    for (int p = 0; p < kPrograms; ++p) {
      Sample sample;
      if (!RunOnce(programs[p], &sample)) {
        std::fprintf(stderr, "%s did not report a painted frame\n", programs[p].c_str());
        return 1;
      }
      samples[p].push_back(sample);
    }
  }
  double ms[kPrograms];
  long kb[kPrograms];
  for (int p = 0; p < kPrograms; ++p) {
    std::vector<double> times;
    std::vector<long> peaks;
    for (const Sample& s : samples[p]) {
      times.push_back(s.milliseconds);
      peaks.push_back(s.peakKilobytes);
    }
    ms[p] = Median(times);
    kb[p] = Median(peaks);
  }
  std::printf("platform: %s, %d runs each\n", keepPlatform ? "inherited" : "offscreen 1920x1080",
              runs);
  std::printf("%-24s %14s %16s\n", "", "first frame ms", "peak RSS KiB");
  for (int p = 0; p < kPrograms; ++p) std::printf("%-24s %14.1f %16ld\n", names[p], ms[p], kb[p]);
  for (int p = 1; p < kPrograms; ++p) {
    std::printf("%-24s %14.2f %16.2f\n", (std::string("ratio to ") + names[p]).c_str(),
                ms[0] / ms[p], static_cast<double>(kb[0]) / kb[p]);
  }
  return 0;
}
