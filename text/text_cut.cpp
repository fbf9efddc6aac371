// Cutting, trimming, case changes and single characters.
#include "text/text.h"

#include <algorithm>

#include "text/characters.h"

namespace {

// Applies change to every single-byte character, leaving double-byte characters whole.
template <typename Change>
Text MapSingleBytes(const Text& t, Change change) {
  Text result = t;
  for (std::size_t i = 0; i < result.size(); ++i) {
    if (IsLeadByte(result[i])) {
      ++i;
    } else {
      result[i] = change(result[i]);
    }
  }
  return result;
}

}  // namespace

Text TextLeft(const Text& t, int n) {
  return n <= 0 ? Text() : t.substr(0, std::min<std::size_t>(n, t.size()));
}

Text TextRight(const Text& t, int n) {
  if (n <= 0) return Text();
  std::size_t take = std::min<std::size_t>(n, t.size());
  return t.substr(t.size() - take);
}

Text TextMid(const Text& t, int start, int n) {
  if (start < 1 || static_cast<std::size_t>(start) > t.size() || n <= 0) return Text();
  return t.substr(start - 1, n);
}

Text TrimText(const Text& t) {
  // Walk whole characters so a trail byte 0xA1 is never taken for half a full-width space.
  std::size_t first = t.size(), end = 0, i = 0;
  while (i < t.size()) {
    bool fullWidthSpace = i + 1 < t.size() && t[i] == '\xA1' && t[i + 1] == '\xA1';
    std::size_t width = CharWidth(t, i);
    if (t[i] != ' ' && !fullWidthSpace) {
      first = std::min(first, i);
      end = std::min(i + width, t.size());
    }
    i += width;
  }
  return first < end ? t.substr(first, end - first) : Text();
}

Text ToUpper(const Text& t) {
  return MapSingleBytes(t, [](char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; });
}

Text ToLower(const Text& t) {
  return MapSingleBytes(t, [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; });
}

bool TextStartsWith(const Text& t, const Text& prefix) {
  return prefix.size() <= t.size() && t.compare(0, prefix.size(), prefix) == 0;
}

Text CharFromCode(std::uint8_t code) { return code == 0 ? Text() : Text(1, static_cast<char>(code)); }

int CharCode(const Text& t) { return t.empty() ? 0 : static_cast<int>(static_cast<signed char>(t[0])); }

Text BlankText(int n) { return n < 1 ? Text() : Text(n, ' '); }
