// The profile calls are our own on Windows too: the system's WritePrivateProfileStringA writes
// in place (a crash can leave half a file) and takes any argument. Each call reads the whole
// file and a write replaces it as a whole.
#include "platform/files/files.h"
#include "platform/files/profile_rules.h"
#include "platform/files/profile_text.h"
#include "platform/files/win32/wide_files.h"
#include "platform/files/win32/wide_paths.h"

std::uint32_t GetPrivateProfileStringA(const char* section, const char* key,
                                       const char* defaultValue, char* buffer, std::uint32_t size,
                                       const char* fileName) {
  return ReadProfileString(section, key, defaultValue, buffer, size, fileName,
                           [](const char* name, std::string* content) {
                             return *name != '\0' &&
                                    WideReadFile(WidePath(name), content) == WideReadResult::kRead;
                           });
}

bool WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* fileName) {
  if (section == nullptr || key == nullptr || value == nullptr || fileName == nullptr) return false;
  if (!IsWritableProfileLine(section, key, value) || *fileName == '\0') return false;
  std::u16string path = WideWrittenFile(WidePath(fileName));
  std::string content;
  WideReadResult read = WideReadFile(path, &content);
  if (read == WideReadResult::kFailed) return false;
  std::string updated = SetProfileValue(content, section, key, value);
  if (read == WideReadResult::kRead && updated == content) return true;  // already so
  return WideReplaceFile(path, updated);
}
