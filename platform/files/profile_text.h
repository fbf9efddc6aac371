// The content of a Windows profile (INI) file: lines of "[section]" and "key=value" in GBK bytes.
// Section and key names match without regard to ASCII case (double-byte characters exactly) and
// with spaces and tabs around them ignored.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// The value of key in section, trimmed of spaces and tabs; none when the section or key is
// missing. The first matching section and key count.
std::optional<std::string> FindProfileValue(std::string_view content, std::string_view section,
                                            std::string_view key);

// content with key=value in section: an existing key's line replaced in place, a new key put
// after the last non-blank line of its section, a new section added at the end. Every line of
// the result ends in CR LF.
std::string SetProfileValue(std::string_view content, std::string_view section,
                            std::string_view key, std::string_view value);
