// The profile-file reader on arbitrary file contents: the bytes become a file on disk, read
// through the settings reader (the program's own section and keys) and the profile call (a
// section, key and buffer size from the input); the in-memory update runs over them too.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/settings_file.h"
#include "platform/files/files.h"
#include "platform/files/profile_text.h"

namespace {

// A file in a folder of its own below /tmp, named in the Windows form the readers take.
struct ScratchFile {
  std::string posixPath;
  Text windowsPath;
  ScratchFile() {
    char folder[] = "/tmp/profile_fuzz.XXXXXX";
    if (!mkdtemp(folder)) std::abort();
    posixPath = std::string(folder) + "/user.ini";
    windowsPath = "Z:" + posixPath;
    for (char& c : windowsPath) c = c == '/' ? '\\' : c;
  }
  ~ScratchFile() {
    std::remove(posixPath.c_str());
    std::remove(posixPath.substr(0, posixPath.rfind('/')).c_str());
  }
  void Write(const std::string& content) const {
    FILE* file = std::fopen(posixPath.c_str(), "wb");
    if (!file) std::abort();
    std::fwrite(content.data(), 1, content.size(), file);
    std::fclose(file);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const ScratchFile file;
  FuzzedDataProvider input(data, size);
  const std::string section = input.ConsumeRandomLengthString(16);
  const std::string key = input.ConsumeRandomLengthString(16);
  const std::string value = input.ConsumeRandomLengthString(16);
  const auto bufferSize = input.ConsumeIntegralInRange<std::uint32_t>(0, 64);
  const std::string content = input.ConsumeRemainingBytesAsString();
  file.Write(content);

  for (const Text* settingsKey :
       {&kAccountKey, &kStoredPasswordKey, &kRandomLowKey, &kRandomHighKey}) {
    ReadIniValue(file.windowsPath, kSettingsSection, *settingsKey);
  }
  ReadIniValue(file.windowsPath, section, key);
  // Exactly the size passed, so that a write past it is caught.
  std::vector<char> buffer(bufferSize);
  GetPrivateProfileStringA(section.c_str(), key.c_str(), "default", buffer.data(), bufferSize,
                           file.windowsPath.c_str());
  FindProfileValue(SetProfileValue(content, section, key, value), section, key);
  return 0;
}
