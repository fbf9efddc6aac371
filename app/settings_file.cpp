#include "app/settings_file.h"

#include "app/data_directory.h"
#include "platform/files/files.h"

#include <vector>

const Text kSettingsSection = "用户信息";
const Text kAccountKey = "帐号";
const Text kStoredPasswordKey = "密码";
const Text kRandomLowKey = "随机小";
const Text kRandomHighKey = "随机大";

namespace {

constexpr int kValueBufferSize = 10240;

// Without its leading spaces and control characters (bytes 1 to 32).
Text WithoutLeadingBlanks(const Text& t) {
  std::size_t start = 0;
  while (start < t.size() && static_cast<unsigned char>(t[start]) <= 32) ++start;
  return t.substr(start);
}

}  // namespace

Text DocumentsFolderText() {
  char folder[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathA(nullptr, folder, CSIDL_PERSONAL, false)) return Text();
  Text text = folder;
  if (TextRight(text, 1) != "\\") text += "\\";
  return text;
}

void SetDataDirectory() { DataDirectory = DocumentsFolderText() + "\\Vormeth"; }

Text SettingsPath() { return DataDirectory + "\\user.ini"; }

Text ReadIniValue(const Text& path, const Text& section, const Text& key) {
  const Text file = WithoutLeadingBlanks(path);
  const Text name = WithoutLeadingBlanks(section);
  const Text entry = WithoutLeadingBlanks(key);
  if (file.empty() || name.empty() || entry.empty()) return Text();
  std::vector<char> buffer(kValueBufferSize, '\0');
  GetPrivateProfileStringA(name.c_str(), entry.c_str(), nullptr, buffer.data(), kValueBufferSize,
                           file.c_str());
  return Text(buffer.data());
}

void WriteIniValue(const Text& path, const Text& section, const Text& key, const Text& value) {
  WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), path.c_str());
}

bool EnsureDirectoryPath(const Text& path) {
  if (TextMid(path, 2, 1) != ":") return false;
  int pos = 0;
  for (;;) {
    int p = FindText(path, "\\", pos + 1, false);
    if (p == -1) break;
    pos = p;
    CreateDirectoryA(TextLeft(path, pos).c_str(), nullptr);
  }
  return true;
}

bool PathExists(const Text& path) {
  WIN32_FIND_DATAA found;
  FindHandle search = FindFirstFileA(path.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return true;
}
