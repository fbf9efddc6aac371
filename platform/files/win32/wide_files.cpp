#include "platform/files/win32/wide_files.h"

// <windows.h> first: the other Windows headers build on it.
#include <windows.h>

#include <shlobj.h>

#include <vector>

namespace {

const wchar_t* Wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

std::u16string FromWide(const wchar_t* text) {
  return std::u16string(reinterpret_cast<const char16_t*>(text));
}

// Closes a file handle when the scope ends.
class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) : handle_(handle) {}
  ~FileHandle() { Close(); }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  bool Close() {
    HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return handle == INVALID_HANDLE_VALUE || CloseHandle(handle);
  }

 private:
  HANDLE handle_;
};

bool WriteAll(HANDLE file, std::string_view data) {
  while (!data.empty()) {
    DWORD chunk = data.size() > (1u << 30) ? (1u << 30) : static_cast<DWORD>(data.size());
    DWORD written = 0;
    if (!WriteFile(file, data.data(), chunk, &written, nullptr) || written == 0) return false;
    data.remove_prefix(written);
  }
  return true;
}

std::u16string FolderOf(const std::u16string& path) {
  std::size_t separator = path.find_last_of(u"\\/");
  if (separator == std::u16string::npos) return u".";
  return path.substr(0, separator + 1);
}

}  // namespace

std::optional<std::u16string> WideDocumentsFolder(bool create) {
  wchar_t folder[MAX_PATH] = {};
  int csidl = CSIDL_PERSONAL | (create ? CSIDL_FLAG_CREATE : 0);
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, folder))) {
    return std::nullopt;
  }
  return FromWide(folder);
}

bool WideCreateFolder(const std::u16string& path) { return CreateDirectoryW(Wide(path), nullptr); }

std::optional<WideFoundEntry> WideFindFirst(const std::u16string& path) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(Wide(path), &found);
  if (search == INVALID_HANDLE_VALUE) return std::nullopt;
  WideFoundEntry entry;
  entry.search = reinterpret_cast<std::intptr_t>(search);
  entry.folder = found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
  entry.name = FromWide(found.cFileName);
  return entry;
}

bool WideFindClose(std::intptr_t search) {
  return search != -1 && FindClose(reinterpret_cast<HANDLE>(search));
}

std::u16string WideWrittenFile(const std::u16string& path) {
  FileHandle file(CreateFileW(Wide(path), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file.valid()) return path;  // a new file
  std::vector<wchar_t> final(32768);
  DWORD length = GetFinalPathNameByHandleW(file.get(), final.data(), final.size(),
                                           FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  if (length == 0 || length >= final.size()) return path;
  std::u16string resolved(reinterpret_cast<const char16_t*>(final.data()), length);
  // The long-path prefix is left off where a drive follows it.
  if (resolved.starts_with(u"\\\\?\\") && resolved.size() > 6 && resolved[5] == u':') {
    resolved.erase(0, 4);
  }
  return resolved;
}

WideReadResult WideReadFile(const std::u16string& path, std::string* content) {
  FileHandle file(CreateFileW(Wide(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) {
    DWORD error = GetLastError();
    bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    return missing ? WideReadResult::kMissing : WideReadResult::kFailed;
  }
  content->clear();
  char buffer[65536];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr)) return WideReadResult::kFailed;
    if (got == 0) return WideReadResult::kRead;
    content->append(buffer, got);
  }
}

bool WideReplaceFile(const std::u16string& path, std::string_view content) {
  wchar_t temporary[MAX_PATH] = {};
  if (GetTempFileNameW(Wide(FolderOf(path)), L"ini", 0, temporary) == 0) return false;
  FileHandle file(CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr));
  bool written =
      file.valid() && WriteAll(file.get(), content) && FlushFileBuffers(file.get()) && file.Close();
  if (written) {
    DWORD attributes = GetFileAttributesW(Wide(path));
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      written = MoveFileExW(temporary, Wide(path), MOVEFILE_WRITE_THROUGH);
    } else {
      written = !(attributes & FILE_ATTRIBUTE_READONLY) &&
                ReplaceFileW(Wide(path), temporary, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                             nullptr, nullptr);
    }
  }
  if (!written) {
    file.Close();
    DeleteFileW(temporary);
  }
  return written;
}
