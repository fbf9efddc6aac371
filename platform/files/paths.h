// Windows-form GBK paths to POSIX UTF-8 paths and back (see files.h).
#pragma once

#include <optional>
#include <string>
#include <string_view>

// The POSIX path for a Windows-form path; none for an empty path or another drive letter.
std::optional<std::string> PosixPath(std::string_view windowsPath);

// The Windows form of an absolute POSIX path; none when it lies outside the root or cannot be
// written in GBK.
std::optional<std::string> WindowsPath(const std::string& posixPath);

// The user's documents folder as an absolute POSIX path; none without a home folder.
std::optional<std::string> DocumentsFolder();
