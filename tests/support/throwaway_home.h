// A home folder of the process's own, for tests and benchmarks that run the program: whatever it
// reads or writes as the user's settings (the documents folder, user.ini, caches) stays inside a
// fresh folder that goes when the object does, never the user's own.
#pragma once

#include <string>

class ThrowawayHome {
 public:
  // Creates the folder and points HOME at it; no XDG folder variable is left pointing elsewhere.
  // Programs started afterwards inherit it. Aborts when no folder can be created.
  ThrowawayHome();
  ~ThrowawayHome();
  ThrowawayHome(const ThrowawayHome&) = delete;
  ThrowawayHome& operator=(const ThrowawayHome&) = delete;

  const std::string& path() const { return path_; }

 private:
  std::string path_;
};
