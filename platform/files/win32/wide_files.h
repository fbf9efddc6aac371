// The Windows file calls the files layer makes, on UTF-16 paths. Kept apart from files.h, whose
// Windows-shaped names are the layer's own contract and clash with <windows.h>.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The user's documents folder (SHGetFolderPathW, CSIDL_PERSONAL), made first with create.
std::optional<std::u16string> WideDocumentsFolder(bool create);

// CreateDirectoryW.
bool WideCreateFolder(const std::u16string& path);

struct WideFoundEntry {
  std::intptr_t search = -1;  // a FindFirstFileW handle, for WideFindClose
  bool folder = false;
  std::u16string name;
};

// FindFirstFileW; none when nothing is found.
std::optional<WideFoundEntry> WideFindFirst(const std::u16string& path);
bool WideFindClose(std::intptr_t search);

enum class WideReadResult { kRead, kMissing, kFailed };

// The file a write to path lands on: path itself, or where the links starting there lead (so
// that a link stays a link and its target is what is replaced).
std::u16string WideWrittenFile(const std::u16string& path);

// The whole content of the file into *content.
WideReadResult WideReadFile(const std::u16string& path, std::string* content);

// Writes content into a new file beside path (write-through, flushed), then puts it in path's
// place in one step: ReplaceFileW over an existing file (which keeps its attributes and
// security), MoveFileExW with write-through for a first one. False, with path untouched and no
// new file left behind, when any step fails (a read-only file is not replaced).
bool WideReplaceFile(const std::u16string& path, std::string_view content);
