// Duktape keeps strings in an extended UTF-8 in which a script's surrogate halves stay separate.
#include "platform/script/engine_strings.h"

#include "platform/codepage/codepage.h"

namespace {

// Bytes that follow a lead byte; -1 for a byte that cannot start a sequence.
int TrailCount(unsigned char lead) {
  if (lead < 0x80) return 0;
  if ((lead >> 5) == 0x6) return 1;
  if ((lead >> 4) == 0xE) return 2;
  if ((lead >> 3) == 0x1E) return 3;
  return -1;
}

// Script texts are mostly plain ASCII, which reads the same in both encodings.
bool IsAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80 || c == '\0') return false;
  }
  return true;
}

}  // namespace

std::string EngineStringFromText(const Text& text) {
  return IsAscii(text) ? text : Utf8FromGbk(text);
}

Text TextFromEngineString(std::string_view engineString) {
  if (IsAscii(engineString)) return Text(engineString);
  constexpr char16_t kReplacement = u'?';
  std::u16string units;
  units.reserve(engineString.size());
  std::size_t i = 0;
  while (i < engineString.size()) {
    int trail = TrailCount(engineString[i]);
    bool complete = trail >= 0 && i + trail < engineString.size();
    for (int k = 1; complete && k <= trail; ++k) {
      complete = (static_cast<unsigned char>(engineString[i + k]) & 0xC0) == 0x80;
    }
    if (!complete) {
      units += kReplacement;
      ++i;
      continue;
    }
    char32_t c = trail == 0 ? engineString[i] : engineString[i] & (0x3F >> trail);
    for (int k = 1; k <= trail; ++k) c = (c << 6) | (engineString[i + k] & 0x3F);
    i += trail + 1;
    if (c < 0x10000) {
      units += static_cast<char16_t>(c);
    } else if (c <= 0x10FFFF) {
      units += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      units += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      units += kReplacement;
    }
  }
  return GbkFromUtf16(units);
}

Text TextAt(duk_context* heap, duk_idx_t index) {
  duk_size_t length = 0;
  const char* bytes = duk_get_lstring(heap, index, &length);
  return bytes == nullptr ? Text() : TextFromEngineString(std::string_view(bytes, length));
}
