#include "tests/support/throwaway_home.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

ThrowawayHome::ThrowawayHome() {
  std::string pattern = (std::filesystem::temp_directory_path() / "home.XXXXXX").string();
  if (!mkdtemp(pattern.data())) {
    std::perror("no throw-away home folder");
    std::abort();
  }
  path_ = pattern;
  setenv("HOME", path_.c_str(), 1);
  // Each of these would otherwise lead back into the user's own folders (the documents folder is
  // looked up in $XDG_CONFIG_HOME/user-dirs.dirs).
  for (const char* variable :
       {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME",
        "XDG_DOCUMENTS_DIR"}) {
    unsetenv(variable);
  }
  // Qt wants a private runtime folder; where the session gives none, one inside the home (a
  // given one is kept: it holds the display's socket).
  if (!getenv("XDG_RUNTIME_DIR")) {
    const std::string runtime = path_ + "/runtime";
    if (mkdir(runtime.c_str(), 0700) == 0) setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  }
}

ThrowawayHome::~ThrowawayHome() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}
