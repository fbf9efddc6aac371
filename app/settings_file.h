// The settings file: user.ini in the program's own folder below the user's documents folder, one
// section of four keys, read and written through the Windows profile calls. Paths are GBK text in
// Windows form.
#pragma once

#include "text/text.h"

// The section and the four keys the program keeps (GBK texts).
extern const Text kSettingsSection;    // 用户信息
extern const Text kAccountKey;         // 帐号
extern const Text kStoredPasswordKey;  // 密码
extern const Text kRandomLowKey;       // 随机小
extern const Text kRandomHighKey;      // 随机大

// The documents folder ending in one backslash, e.g. "Z:\home\u\Documents\"; empty when it
// cannot be determined.
Text DocumentsFolderText();

// Sets DataDirectory to DocumentsFolderText() + "\Vormeth" (so two backslashes in a row where
// the folder is known, "\Vormeth" alone where it is not).
void SetDataDirectory();

// DataDirectory + "\user.ini", built anew on every call.
Text SettingsPath();

// The value of key in section of the file at path, at most 10239 bytes; empty when the file,
// section or key is missing, or when path, section or key is empty after leading bytes 1-32.
Text ReadIniValue(const Text& path, const Text& section, const Text& key);

// Sets key=value in section of the file at path, creating the file (not its folders) when
// missing. Success is not reported: a failed write leaves the file as it was.
void WriteIniValue(const Text& path, const Text& section, const Text& key, const Text& value);

// Creates, from the shortest on, every folder of path up to its last backslash (the name after it
// is never created); folders that exist already are passed. False, creating nothing, when path has
// no drive letter ("X:" at its start); true otherwise, whether or not the folders could be made.
bool EnsureDirectoryPath(const Text& path);

// True when a file or folder exists at path.
bool PathExists(const Text& path);
