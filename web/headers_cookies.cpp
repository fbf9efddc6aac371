// Header normalisation and cookie merging.
#include "web/headers_cookies.h"

#include "web/url_text.h"

namespace {

const Text kCrLf = "\r\n";
const Text kPairSeparator = "; ";

// Trimmed, with a space after a final ";" so that the last pair splits off cleanly.
Text PrepareCookieText(const Text& cookies) {
  Text t = TrimText(cookies);
  if (TextRight(t, 1) == ";") t += " ";
  return t;
}

Text CapitaliseName(const Text& name) {
  if (FindText(name, "-", std::nullopt, false) == -1) return CapitaliseFirst(name);
  Text result;
  TextArray words = SplitText(name, "-");
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (i > 0) result += "-";
    result += CapitaliseFirst(words[i]);
  }
  return result;
}

}  // namespace

Text NormaliseHeaders(const Text& headers) {
  Text out;
  for (const Text& line : SplitText(headers, kCrLf)) {
    int colon = FindText(line, ":", std::nullopt, false);
    if (colon == -1) continue;
    Text name = CapitaliseName(TextLeft(line, colon - 1));
    // The rest is taken after as many bytes as the new name has, which restores a trailing "-"
    // that the split dropped.
    out += name + TextRight(line, TextLength(line) - TextLength(name)) + kCrLf;
  }
  return TextLeft(out, TextLength(out) - 2);
}

Text CapitaliseFirst(const Text& word) {
  return ToUpper(TextLeft(word, 1)) + TextMid(word, 2, TextLength(word));
}

Text HeaderValue(const Text& text) {
  int colon = FindText(text, ":", std::nullopt, false);
  if (colon == -1) return "";
  return TrimText(TextRight(text, TextLength(text) - colon));
}

Text MergeCookies(Text& oldCookies, Text& newCookies) {
  oldCookies = PrepareCookieText(oldCookies);
  newCookies = PrepareCookieText(newCookies);
  TextArray pairs = SplitText(newCookies, kPairSeparator);
  for (const Text& oldPair : SplitText(oldCookies, kPairSeparator)) {
    if (!HasCookieName(pairs, CookieName(oldPair))) pairs.push_back(oldPair);
  }
  Text joined;
  for (const Text& pair : pairs) {
    if (TextRight(pair, 8) != "=deleted") joined += pair + kPairSeparator;
  }
  joined = TextLeft(joined, TextLength(joined) - 2);
  oldCookies = RemoveDuplicates(joined, kPairSeparator, true);
  return oldCookies;
}

Text CookieName(const Text& pair) {
  int equals = FindText(pair, "=", std::nullopt, false);
  return TrimText(equals == -1 ? pair : TextLeft(pair, equals - 1));
}

bool HasCookieName(const TextArray& pairs, const Text& wantedName) {
  for (const Text& pair : pairs) {
    if (CookieName(pair) == wantedName) return true;
  }
  return false;
}

Text RemoveDuplicates(const Text& text, const Text& delimiter, bool splitAtDelimiter) {
  TextArray pieces = splitAtDelimiter ? SplitText(text, delimiter) : SplitCharacters(text);
  TextArray taken;
  Text result;
  for (const Text& piece : pieces) {
    if (IndexOfText(taken, piece) != -1) continue;
    taken.push_back(piece);
    result += piece + delimiter;
  }
  return TextLeft(result, TextLength(result) - TextLength(delimiter));
}

TextArray SplitCharacters(const Text& text) {
  ByteSet bytes = TextToBytes(text);
  TextArray pieces;
  int count = BytesLength(bytes);
  for (int i = 0; i < count;) {
    bool hasNext = i + 1 < count;
    bool pair = hasNext && (bytes[i] >= 0x81 || (bytes[i] == '\r' && bytes[i + 1] == '\n'));
    int width = pair ? 2 : 1;
    pieces.push_back(BytesToText(BytesMid(bytes, i + 1, width)));
    i += width;
  }
  return pieces;
}

int IndexOfText(const TextArray& list, const Text& item) {
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (list[i] == item) return static_cast<int>(i + 1);
  }
  return -1;
}

Text CookiesFromHeaders(const Text& rawHeaders) {
  Text cookies;
  for (const Text& line : SplitText(rawHeaders, kCrLf)) {
    if (TextBefore(line, ": ") != "Set-Cookie") continue;
    Text value = FindText(line, ";", std::nullopt, false) != -1
                     ? TextBetween(line, "Set-Cookie:", ";")
                     : ReplaceText(line, "Set-Cookie:", Text(), std::nullopt, std::nullopt, false);
    cookies += TrimText(value) + "; ";
  }
  return TextLeft(cookies, TextLength(cookies) - 2);
}
