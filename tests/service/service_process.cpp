#include "tests/service/service_process.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <regex>

extern char** environ;

namespace service_test {
namespace {

constexpr auto kStartLimit = std::chrono::seconds(15);

struct Pipe {
  int read = -1;
  int write = -1;
  Pipe() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) == 0) read = fds[0], write = fds[1];
  }
};

// Starts the service binary with the given ends of pipes as its standard streams.
pid_t Spawn(const std::vector<std::string>& arguments, int in, int out, int err) {
  std::vector<char*> argv;
  std::string program = STEP_SERVICE_BIN;
  argv.push_back(program.data());
  std::vector<std::string> copies = arguments;
  for (auto& argument : copies) argv.push_back(argument.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (in >= 0) posix_spawn_file_actions_adddup2(&actions, in, STDIN_FILENO);
  if (out >= 0) posix_spawn_file_actions_adddup2(&actions, out, STDOUT_FILENO);
  if (err >= 0) posix_spawn_file_actions_adddup2(&actions, err, STDERR_FILENO);
  pid_t pid = -1;
  if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

std::string ReadAll(int fd) {
  std::string text;
  char buffer[4096];
  ssize_t got;
  while ((got = read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, got);
  return text;
}

int ExitStatus(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

}  // namespace

std::string TestTlsDir() { return TEST_TLS_DIR; }

std::string TestCaFile() { return TestTlsDir() + "/ca.pem"; }

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "step-service-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "cannot make a temporary folder";
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

CommandResult RunStepService(const std::vector<std::string>& arguments, std::string_view input) {
  Pipe in, out, err;
  CommandResult result;
  const pid_t pid = Spawn(arguments, in.read, out.write, err.write);
  close(in.read), close(out.write), close(err.write);
  if (pid < 0) {
    close(in.write), close(out.read), close(err.read);
    ADD_FAILURE() << "cannot start " << STEP_SERVICE_BIN;
    return result;
  }
  // Small inputs and outputs: the pipe buffers hold them, so writing first cannot block.
  if (!input.empty() && write(in.write, input.data(), input.size()) < 0) ADD_FAILURE();
  close(in.write);
  std::thread errReader([&] { result.err = ReadAll(err.read); });
  result.out = ReadAll(out.read);
  errReader.join();
  close(out.read), close(err.read);
  int status = 0;
  waitpid(pid, &status, 0);
  result.exitCode = ExitStatus(status);
  return result;
}

long ProcessMemoryKb(pid_t pid, const std::string& field) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string name;
  long kb = -1;
  while (status >> name) {
    if (name == field + ":") {
      status >> kb;
      return kb;
    }
    status.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
  }
  return -1;
}

void RaiseOpenFileLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
  }
}

RunningService::RunningService(const std::string& dbFile,
                               const std::vector<std::string>& extraArguments,
                               const std::string& tls) {
  std::vector<std::string> arguments = {
      "serve", "--listen",          "127.0.0.1:0", "--cert", tls + "/server.pem",
      "--key", tls + "/server.key", "--db",        dbFile};
  arguments.insert(arguments.end(), extraArguments.begin(), extraArguments.end());
  Pipe err;
  pid_ = Spawn(arguments, -1, -1, err.write);
  close(err.write);
  if (pid_ < 0) {
    close(err.read);
    ADD_FAILURE() << "cannot start " << STEP_SERVICE_BIN;
    return;
  }
  reader_ = std::thread([this, fd = err.read] { CollectLog(fd); });

  static const std::regex listening("listening on 127\\.0\\.0\\.1:(\\d+)");
  std::unique_lock lock(mutex_);
  std::smatch match;
  const bool started = changed_.wait_for(
      lock, kStartLimit, [&] { return std::regex_search(log_, match, listening) || logClosed_; });
  if (started && !match.empty()) {
    port_ = std::stoi(match[1]);
  } else {
    ADD_FAILURE() << "the service did not start; it wrote:\n" << log_;
  }
}

RunningService::~RunningService() {
  if (pid_ > 0) Stop();
  if (reader_.joinable()) reader_.join();
}

void RunningService::CollectLog(int fd) {
  char buffer[4096];
  ssize_t got;
  while ((got = read(fd, buffer, sizeof buffer)) > 0) {
    std::lock_guard lock(mutex_);
    log_.append(buffer, got);
    changed_.notify_all();
  }
  close(fd);
  std::lock_guard lock(mutex_);
  logClosed_ = true;
  changed_.notify_all();
}

int RunningService::Reap() {
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
  if (reader_.joinable()) reader_.join();
  return ExitStatus(status);
}

int RunningService::Stop() {
  if (pid_ <= 0) return -1;
  kill(pid_, SIGTERM);
  return Reap();
}

void RunningService::Kill() {
  if (pid_ <= 0) return;
  kill(pid_, SIGKILL);
  Reap();
}

void RunningService::Terminate() {
  if (pid_ > 0) kill(pid_, SIGTERM);
}

bool RunningService::WaitForLog(std::string_view text) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, std::chrono::seconds(10), [&] {
    return log_.find(text) != std::string::npos || logClosed_;
  }) && log_.find(text) != std::string::npos;
}

std::string RunningService::Log() {
  std::lock_guard lock(mutex_);
  return log_;
}

}  // namespace service_test
