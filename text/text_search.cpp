// Searching, splitting and replacing, all character-wise over GBK bytes.
#include "text/text.h"

#include <algorithm>

#include "text/characters.h"

namespace {

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool MatchesAt(const Text& t, std::size_t i, const Text& s, bool ignoreCase) {
  if (i + s.size() > t.size()) return false;
  for (std::size_t k = 0; k < s.size(); ++k) {
    char a = t[i + k], b = s[k];
    if (ignoreCase ? FoldAscii(a) != FoldAscii(b) : a != b) return false;
  }
  return true;
}

// Zero-based index where a 1-based start option begins (omitted or below 1: the first byte).
std::size_t StartIndex(std::optional<int> start) {
  return (!start || *start < 1) ? 0 : static_cast<std::size_t>(*start - 1);
}

}  // namespace

int TextLength(const Text& t) { return static_cast<int>(t.size()); }

int FindText(const Text& t, const Text& s, std::optional<int> start, bool ignoreCase) {
  std::size_t from = StartIndex(start);
  if (from >= t.size()) return -1;
  if (s.empty()) return 1;
  for (std::size_t i = from; i < t.size(); i += CharWidth(t, i)) {
    if (MatchesAt(t, i, s, ignoreCase)) return static_cast<int>(i + 1);
  }
  return -1;
}

int FindTextReverse(const Text& t, const Text& s, std::optional<int> start, bool ignoreCase) {
  if (start && *start <= 1) return -1;
  std::size_t limit = start ? std::min<std::size_t>(*start - 1, t.size()) : t.size();
  if (limit == 0) return -1;
  if (s.empty()) return 1;
  int last = -1;
  for (std::size_t i = 0; i + s.size() <= limit; i += CharWidth(t, i)) {
    if (MatchesAt(t, i, s, ignoreCase)) last = static_cast<int>(i + 1);
  }
  return last;
}

TextArray SplitText(const Text& t, const Text& delimiter) {
  if (t.empty()) return {};
  if (delimiter.empty()) return {t};
  TextArray pieces;
  std::size_t pieceStart = 0, i = 0;
  while (i < t.size()) {
    if (MatchesAt(t, i, delimiter, false)) {
      pieces.push_back(t.substr(pieceStart, i - pieceStart));
      i += delimiter.size();
      pieceStart = i;
    } else {
      i += CharWidth(t, i);
    }
  }
  if (pieceStart < t.size()) pieces.push_back(t.substr(pieceStart));
  return pieces;
}

Text ReplaceText(const Text& t, const Text& find, std::optional<Text> replacement,
                 std::optional<int> start, std::optional<int> count, bool caseSensitive) {
  std::size_t from = StartIndex(start);
  if (t.empty() || find.empty() || from >= t.size() || (count && *count == 0)) return t;
  // A negative count sets no limit, like an omitted one.
  long long left = (count && *count > 0) ? *count : -1;
  Text result = t.substr(0, from);
  std::size_t i = from;
  while (i < t.size()) {
    if (left != 0 && MatchesAt(t, i, find, !caseSensitive)) {
      if (replacement) result += *replacement;
      i += find.size();
      if (left > 0) --left;
    } else {
      std::size_t width = std::min(CharWidth(t, i), t.size() - i);
      result.append(t, i, width);
      i += width;
    }
  }
  return result;
}
