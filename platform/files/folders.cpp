#include "platform/codepage/codepage.h"
#include "platform/files/files.h"
#include "platform/files/paths.h"

#include <sys/stat.h>

#include <cstring>
#include <mutex>
#include <set>

namespace {

// Searches hold nothing (no wildcards, no next entry); their handles are numbers kept live until
// FindClose.
std::mutex searchesMutex;
std::set<FindHandle> liveSearches;
FindHandle nextSearch = 1;

std::string LastName(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos || path.size() == 1 ? path : path.substr(slash + 1);
}

}  // namespace

bool SHGetSpecialFolderPathA(void* /*owner*/, char* path, int csidl, bool create) {
  if (path == nullptr || csidl != CSIDL_PERSONAL) return false;
  std::optional<std::string> folder = DocumentsFolder();
  if (!folder) return false;
  std::optional<std::string> windows = DocumentsWindowsPath(*folder, MAX_PATH);
  if (!windows) return false;
  if (create) mkdir(folder->c_str(), 0777);
  std::memcpy(path, windows->c_str(), windows->size() + 1);
  return true;
}

bool CreateDirectoryA(const char* path, const void* /*securityAttributes*/) {
  if (path == nullptr) return false;
  std::optional<std::string> posix = PosixPath(path);
  return posix && mkdir(posix->c_str(), 0777) == 0;
}

FindHandle FindFirstFileA(const char* fileName, WIN32_FIND_DATAA* found) {
  if (fileName == nullptr || found == nullptr) return INVALID_HANDLE_VALUE;
  std::optional<std::string> posix = PosixPath(fileName);
  struct stat entry;
  if (!posix || stat(posix->c_str(), &entry) != 0) return INVALID_HANDLE_VALUE;
  *found = WIN32_FIND_DATAA();
  found->dwFileAttributes =
      S_ISDIR(entry.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
  std::string name = GbkFromUtf8(LastName(*posix));
  std::strncpy(found->cFileName, name.c_str(), MAX_PATH - 1);
  std::lock_guard lock(searchesMutex);
  FindHandle search = nextSearch++;
  liveSearches.insert(search);
  return search;
}

bool FindClose(FindHandle search) {
  std::lock_guard lock(searchesMutex);
  return liveSearches.erase(search) != 0;
}
