// The profile calls read the whole file on every call and replace it as a whole on every write,
// so that no call keeps state and a crash never leaves half a file behind.
#include "platform/files/files.h"
#include "platform/files/paths.h"
#include "platform/files/profile_rules.h"
#include "platform/files/profile_text.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <string_view>

namespace {

// Closes a descriptor when the scope ends.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  // Closes now and reports whether the close succeeded.
  bool Close() {
    int fd = fd_;
    fd_ = -1;
    return close(fd) == 0;
  }

 private:
  int fd_;
};

enum class ReadResult { kRead, kMissing, kFailed };

ReadResult ReadWholeFile(const std::string& path, std::string* content) {
  Descriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.get() < 0) return errno == ENOENT ? ReadResult::kMissing : ReadResult::kFailed;
  content->clear();
  char buffer[65536];
  for (;;) {
    ssize_t got = read(file.get(), buffer, sizeof buffer);
    if (got == 0) return ReadResult::kRead;
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return ReadResult::kFailed;  // a folder, for one
    content->append(buffer, got);
  }
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t written = write(fd, data.data(), data.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data.remove_prefix(written);
  }
  return true;
}

std::string FolderOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a write to path lands on: path itself, or the end of the chain of symbolic links that
// starts there (a relative link read from its own folder), so that the link stays a link and its
// target is what is replaced. The end need not exist yet. None for a loop or an unreadable link.
std::optional<std::string> WrittenFile(std::string path) {
  constexpr int kMaxLinks = 40;  // as the kernel follows at most
  for (int links = 0; links <= kMaxLinks; ++links) {
    struct stat entry;
    if (lstat(path.c_str(), &entry) != 0 || !S_ISLNK(entry.st_mode)) return path;
    char target[PATH_MAX];
    ssize_t length = readlink(path.c_str(), target, sizeof target);
    if (length <= 0 || length == static_cast<ssize_t>(sizeof target)) return std::nullopt;
    std::string next(target, length);
    path = next[0] == '/' ? next : FolderOf(path) + "/" + next;
  }
  return std::nullopt;
}

// Windows refuses to write a read-only file, while the rename that replaces it here would not
// look at its mode: a file this process may not write, or one without any write bit (which root
// could write all the same), counts as read-only.
bool IsReadOnly(const std::string& path) {
  struct stat entry;
  if (stat(path.c_str(), &entry) != 0) return false;  // a new file
  return (entry.st_mode & 0222) == 0 || faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0;
}

// Writes content beside path and renames it over path. The new file keeps the old one's mode;
// a first file is for its owner alone (it holds the stored password).
bool ReplaceFile(const std::string& path, std::string_view content) {
  std::string temporary = path + ".XXXXXX";
  Descriptor file(mkostemp(temporary.data(), O_CLOEXEC));
  if (file.get() < 0) return false;
  struct stat old;
  bool written = (stat(path.c_str(), &old) != 0 || fchmod(file.get(), old.st_mode & 07777) == 0) &&
                 WriteAll(file.get(), content) && fsync(file.get()) == 0 && file.Close() &&
                 rename(temporary.c_str(), path.c_str()) == 0;
  if (!written) {
    unlink(temporary.c_str());
    return false;
  }
  // Make the rename itself durable.
  Descriptor folder(open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.get() >= 0) fsync(folder.get());
  return true;
}

}  // namespace

std::uint32_t GetPrivateProfileStringA(const char* section, const char* key,
                                       const char* defaultValue, char* buffer, std::uint32_t size,
                                       const char* fileName) {
  return ReadProfileString(section, key, defaultValue, buffer, size, fileName,
                           [](const char* name, std::string* content) {
                             std::optional<std::string> path = PosixPath(name);
                             return path && ReadWholeFile(*path, content) == ReadResult::kRead;
                           });
}

bool WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* fileName) {
  if (section == nullptr || key == nullptr || value == nullptr || fileName == nullptr) return false;
  if (!IsWritableProfileLine(section, key, value)) return false;
  std::optional<std::string> path = PosixPath(fileName);
  if (!path) return false;
  std::optional<std::string> file = WrittenFile(*path);
  if (!file || IsReadOnly(*file)) return false;
  std::string content;
  ReadResult read = ReadWholeFile(*file, &content);
  if (read == ReadResult::kFailed) return false;
  std::string updated = SetProfileValue(content, section, key, value);
  if (read == ReadResult::kRead && updated == content) return true;  // already so
  return ReplaceFile(*file, updated);
}
