// GBK Windows paths to the UTF-16 paths the W calls take, with drive Y: standing for a documents
// folder that GBK cannot name (see SHGetSpecialFolderPathA in files.h).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The drive that presents the documents folder when that has no GBK form within MAX_PATH.
inline constexpr char kDocumentsDrive = 'Y';

// gbkPath in UTF-16 (code page 936); "Y:..." lies in the documents folder once
// DocumentsGbkPath has given that drive out.
std::u16string WidePath(std::string_view gbkPath);

// The documents folder as GBK shorter than limit bytes; else "Y:\", which from then on stands
// for it.
std::string DocumentsGbkPath(const std::u16string& wideFolder, std::size_t limit);
