// Re-encoding of bytes from one character set into another through the stream object.
#pragma once

#include "text/text.h"

#include <optional>

// data decoded in fromCharset (omitted or empty: "UTF-8") and encoded in toCharset (omitted or
// empty: "GBK"), without the first skip bytes of the encoded stream when skip is given. The text
// passes through GBK on its way, so a character GBK lacks comes out as '?' and nothing past a
// U+0000 comes out. Names the stream object does not know leave it at its previous charset;
// when the stream object cannot be created the result is empty. Nothing is shown or logged.
ByteSet ConvertCharset(const ByteSet& data, const Text& fromCharset = Text(),
                       const Text& toCharset = Text(), std::optional<int> skip = std::nullopt);

// The same steps through the object registered as streamId; ConvertCharset uses "Adodb.Stream".
ByteSet ConvertCharsetThrough(const Text& streamId, const ByteSet& data, const Text& fromCharset,
                              const Text& toCharset, std::optional<int> skip);
