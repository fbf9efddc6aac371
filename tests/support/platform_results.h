// Results that differ by platform because each platform's own call is the reference there.
#pragma once

// A character outside the Basic Multilingual Plane converted to GBK. Our iconv crossing makes one
// '?' of the character; Windows' WideCharToMultiByte (936) makes one '?' of each UTF-16 unit.
#ifdef _WIN32
inline constexpr char kGbkForOutsideBmp[] = "??";
#else
inline constexpr char kGbkForOutsideBmp[] = "?";
#endif
