// Character sets of the stream object: names to encodings (iconv's, or Windows code pages), and
// text in and out of them through UTF-16LE (the wide strings of the automation boundary).
#pragma once

#include <optional>
#include <string>
#include <string_view>

struct StreamCharset {
  std::string encoding;       // the converter's name: iconv's, or a Windows code page number
  std::string byteOrderMark;  // written ahead of text at position 0; empty for none
};

// The charset a stream name stands for, compared without regard to case; none when unknown.
std::optional<StreamCharset> FindStreamCharset(std::string_view name);

// Bytes in charset to UTF-16LE; a byte sequence the charset does not allow becomes U+FFFD.
std::u16string DecodeCharset(std::string_view bytes, const StreamCharset& charset);

// UTF-16LE to bytes in charset; a character it cannot hold becomes its '?'.
std::string EncodeCharset(std::u16string_view text, const StreamCharset& charset);
