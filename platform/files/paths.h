// Windows-form GBK paths to POSIX UTF-8 paths and back (see files.h).
#pragma once

#include <optional>
#include <string>
#include <string_view>

// The drive that presents the documents folder when that has no Windows form on Z:.
inline constexpr char kDocumentsDrive = 'Y';

// The POSIX path for a Windows-form path; none for an empty path or a drive letter that stands
// for nothing (any but Z:, and the documents drive until DocumentsWindowsPath has set it).
std::optional<std::string> PosixPath(std::string_view windowsPath);

// The Windows form of an absolute POSIX path on Z:; none when it lies outside the root, cannot be
// written in GBK or has a backslash in a name.
std::optional<std::string> WindowsPath(const std::string& posixPath);

// The Windows form the documents folder (an absolute POSIX path) is given in: its own on Z: when
// that exists and is shorter than limit bytes; else "Y:\", the documents drive, which from then on
// stands for posixFolder. None when posixFolder lies outside the root.
std::optional<std::string> DocumentsWindowsPath(const std::string& posixFolder, std::size_t limit);

// The user's documents folder as an absolute POSIX path; none without a home folder.
std::optional<std::string> DocumentsFolder();
