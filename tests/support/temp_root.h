// A temporary folder that stands in for drive Z: (through the files layer's test root) and holds
// the home folder, with HOME and XDG_CONFIG_HOME pointing into it while a test runs.
#pragma once

#include "platform/files/files_testing.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class TempRoot : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "settings-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root = pattern;
    std::filesystem::create_directories(root / "home/u");
    SaveEnv("HOME", (root / "home/u").string());
    SaveEnv("XDG_CONFIG_HOME", std::nullopt);
    SetFilesRootForTesting(root.string());
  }

  void TearDown() override {
    SetFilesRootForTesting("");
    for (auto it = savedEnv.rbegin(); it != savedEnv.rend(); ++it) {
      const auto& [name, value] = *it;
      if (value) {
        setenv(name.c_str(), value->c_str(), 1);
      } else {
        unsetenv(name.c_str());
      }
    }
    std::error_code ignored;
    std::filesystem::permissions(root, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(root, ignored);
  }

  // Sets (or with nullopt unsets) an environment variable until the test ends.
  void SaveEnv(const std::string& name, const std::optional<std::string>& value) {
    const char* old = std::getenv(name.c_str());
    savedEnv.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    if (value) {
      setenv(name.c_str(), value->c_str(), 1);
    } else {
      unsetenv(name.c_str());
    }
  }

  // The bytes of a file below the root ("" when missing).
  std::string FileBytes(const std::string& relative) const {
    std::ifstream in(root / relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  void PutFile(const std::string& relative, const std::string& bytes) const {
    std::ofstream(root / relative, std::ios::binary) << bytes;
  }

  std::filesystem::path root;

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> savedEnv;
};
