// Paths are GBK whatever the ANSI code page: each crosses to UTF-16 through code page 936 and the
// W calls do the work.
#include "platform/codepage/codepage.h"
#include "platform/files/files.h"
#include "platform/files/win32/wide_files.h"
#include "platform/files/win32/wide_paths.h"

#include <cstring>

bool SHGetSpecialFolderPathA(void* /*owner*/, char* path, int csidl, bool create) {
  if (path == nullptr || csidl != CSIDL_PERSONAL) return false;
  std::optional<std::u16string> folder = WideDocumentsFolder(create);
  if (!folder) return false;
  std::string gbk = DocumentsGbkPath(*folder, MAX_PATH);
  std::memcpy(path, gbk.c_str(), gbk.size() + 1);
  return true;
}

bool CreateDirectoryA(const char* path, const void* /*securityAttributes*/) {
  return path != nullptr && *path != '\0' && WideCreateFolder(WidePath(path));
}

FindHandle FindFirstFileA(const char* fileName, WIN32_FIND_DATAA* found) {
  if (fileName == nullptr || *fileName == '\0' || found == nullptr) return INVALID_HANDLE_VALUE;
  std::optional<WideFoundEntry> entry = WideFindFirst(WidePath(fileName));
  if (!entry) return INVALID_HANDLE_VALUE;
  *found = WIN32_FIND_DATAA();
  found->dwFileAttributes = entry->folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
  std::string name = GbkFromUtf16(entry->name);
  std::strncpy(found->cFileName, name.c_str(), MAX_PATH - 1);
  return entry->search;
}

bool FindClose(FindHandle search) { return WideFindClose(search); }
