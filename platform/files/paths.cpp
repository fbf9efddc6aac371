#include "platform/files/paths.h"

#include "platform/codepage/codepage.h"
#include "platform/files/files_testing.h"

#include <pwd.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <mutex>

namespace {

// What drive Z: stands for; "/" outside tests. Kept without a trailing '/'; empty means "/".
std::string& RootFolder() {
  static std::string root;
  return root;
}

// What the documents drive stands for; empty until the documents folder has needed it.
std::mutex documentsDriveMutex;
std::string documentsDriveFolder;

std::string DocumentsDriveFolder() {
  std::lock_guard lock(documentsDriveMutex);
  return documentsDriveFolder;
}

void SetDocumentsDriveFolder(const std::string& posixFolder) {
  std::lock_guard lock(documentsDriveMutex);
  documentsDriveFolder = posixFolder;
}

// What a drive letter stands for (kept without a trailing '/'): Z: the root, the documents drive
// its folder once set; any other nothing.
std::optional<std::string> DriveFolder(char letter) {
  letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  if (letter == 'Z') return RootFolder();
  std::string documents = DocumentsDriveFolder();
  if (letter == kDocumentsDrive && !documents.empty()) return documents;
  return std::nullopt;
}

bool InsideRoot(const std::string& posixPath) {
  const std::string& root = RootFolder();
  return posixPath.starts_with(root + "/") || posixPath == root;
}

constexpr std::string_view kWindowsSeparators = "\\/";
constexpr std::string_view kPosixSeparators = "/";

bool IsSeparator(char c) { return kWindowsSeparators.find(c) != std::string_view::npos; }

// Every run of separators as one '/'.
std::string JoinSeparators(std::string_view path, std::string_view separators) {
  std::string out;
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (separators.find(path[i]) == std::string_view::npos) {
      out += path[i];
    } else if (out.empty() || out.back() != '/') {
      out += '/';
    }
  }
  return out;
}

std::string TrimTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::optional<std::string> HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return std::string(home);
  const passwd* user = getpwuid(getuid());
  if (user != nullptr && user->pw_dir != nullptr && user->pw_dir[0] == '/') return user->pw_dir;
  return std::nullopt;
}

// The value of XDG_DOCUMENTS_DIR in user-dirs.dirs: "$HOME/..." or an absolute path in quotes.
std::optional<std::string> XdgDocumentsFolder(const std::string& home) {
  const char* configHome = std::getenv("XDG_CONFIG_HOME");
  std::string config =
      configHome != nullptr && configHome[0] == '/' ? configHome : home + "/.config";
  std::ifstream dirs(config + "/user-dirs.dirs");
  const std::string prefix = "XDG_DOCUMENTS_DIR=\"";
  for (std::string line; std::getline(dirs, line);) {
    std::size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line.compare(start, prefix.size(), prefix) != 0) continue;
    std::string value;
    for (std::size_t i = start + prefix.size(); i < line.size() && line[i] != '"'; ++i) {
      if (line[i] == '\\' && i + 1 < line.size()) ++i;  // shell quoting
      value += line[i];
    }
    if (value == "$HOME" || value.starts_with("$HOME/")) return home + value.substr(5);
    if (value.starts_with("/")) return value;
  }
  return std::nullopt;
}

}  // namespace

void SetFilesRootForTesting(const std::string& posixRoot) {
  RootFolder() = posixRoot.empty() ? std::string() : TrimTrailingSlashes(posixRoot);
  if (RootFolder() == "/") RootFolder().clear();
  SetDocumentsDriveFolder("");
}

std::optional<std::string> PosixPath(std::string_view windowsPath) {
  // Decode first: a GBK trail byte may be 0x5C, which is no backslash.
  std::string path = Utf8FromGbk(windowsPath);
  if (path.empty()) return std::nullopt;
  std::string base = RootFolder();
  bool hasDrive =
      path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]));
  if (hasDrive) {
    std::optional<std::string> driveFolder = DriveFolder(path[0]);
    if (!driveFolder) return std::nullopt;
    base = *driveFolder;
    path.erase(0, 2);
  }
  bool fromRoot = hasDrive || (!path.empty() && IsSeparator(path[0]));
  std::string rest = JoinSeparators(path, kWindowsSeparators);
  if (!fromRoot) return rest;
  if (rest.empty() || rest[0] != '/') rest.insert(0, "/");
  return base + rest;
}

std::optional<std::string> WindowsPath(const std::string& posixPath) {
  if (!InsideRoot(posixPath)) return std::nullopt;
  std::string rest = posixPath.substr(RootFolder().size());
  if (rest.find('\\') != std::string::npos) return std::nullopt;
  std::string gbk = GbkFromUtf8(rest);
  if (Utf8FromGbk(gbk) != rest) return std::nullopt;  // a name GBK cannot hold
  for (char& c : gbk) {
    if (c == '/') c = '\\';
  }
  return "Z:" + (gbk.empty() ? std::string("\\") : gbk);
}

std::optional<std::string> DocumentsWindowsPath(const std::string& posixFolder, std::size_t limit) {
  std::optional<std::string> windows = WindowsPath(posixFolder);
  if (windows && windows->size() < limit) return windows;
  if (!InsideRoot(posixFolder)) return std::nullopt;
  SetDocumentsDriveFolder(posixFolder);
  return std::string{kDocumentsDrive, ':', '\\'};
}

std::optional<std::string> DocumentsFolder() {
  std::optional<std::string> home = HomeFolder();
  if (!home) return std::nullopt;
  std::string folder = XdgDocumentsFolder(*home).value_or(*home + "/Documents");
  // A backslash is part of a POSIX name.
  return TrimTrailingSlashes(JoinSeparators(folder, kPosixSeparators));
}
