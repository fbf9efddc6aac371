// URL dissection and text extraction.
#include "web/url_text.h"

namespace {

const Text kQuoteMarker = "#引号";

Text WithQuotes(const Text& marker) {
  return ReplaceText(marker, kQuoteMarker, Text("\""), std::nullopt, std::nullopt, true);
}

// Drops the ":port" unless the caller wants it.
Text ApplyPortRule(const Text& host, bool keepPort) {
  if (keepPort) return host;
  int colon = FindText(host, ":", std::nullopt, false);
  return colon == -1 ? host : TextLeft(host, colon - 1);
}

Text HostAfterScheme(Text t, bool mainDomainOnly) {
  if (TextRight(t, 1) != "/") t += "/";
  if (TextLeft(t, 8) == "https://") {
    t = TextBetween(t, "https://", "/");
  } else {
    if (FindText(t, "http://", std::nullopt, false) == -1) t = "http://" + t;
    t = TextBetween(t, "http://", "/");
  }
  if (mainDomainOnly) {
    TextArray labels = SplitText(t, ".");
    if (labels.size() > 1) t = labels[labels.size() - 2] + "." + labels.back();
  }
  return t;
}

Text TrailingLabels(Text t, bool mainDomainOnly, int labelCount) {
  t = ReplaceText(t, "http://", std::nullopt, std::nullopt, std::nullopt, true);
  t = ReplaceText(t, "https://", std::nullopt, std::nullopt, std::nullopt, true);
  int slash = FindText(t, "/", std::nullopt, false);
  if (slash != -1) t = TextLeft(t, slash - 1);
  int n = TextLength(t);
  int p = n;
  for (int i = 0; i < labelCount; ++i) p = FindTextReverse(t, ".", p, false);
  int d = FindTextReverse(t, ".", p, false);
  if (mainDomainOnly) return TextRight(t, n - d);
  if (d != -1) {
    int e = FindTextReverse(t, ".", d, false);
    if (e != -1) t = TextRight(t, n - e);
  }
  return t;
}

}  // namespace

Text TextBetween(const Text& text, const Text& startMarker, const Text& endMarker,
                 int startPosition, bool ignoreCase) {
  Text start = WithQuotes(startMarker);
  Text end = WithQuotes(endMarker);
  int found = FindText(text, start, startPosition, ignoreCase);
  if (found == -1) return "";
  int p = found + TextLength(start);
  int q = FindText(text, end, p, ignoreCase);
  if (q == -1) return "";
  return TextMid(text, p, q - p);
}

Text TextBefore(const Text& text, const Text& marker, int startPosition, bool ignoreCase) {
  int n = TextLength(text);
  int found;
  if (startPosition >= 0) {
    found = FindText(text, marker, startPosition, ignoreCase);
  } else {
    int k = -startPosition;
    found = FindTextReverse(text, marker, k == 1 ? n + 1 : n - k + 1, ignoreCase);
  }
  if (found == -1) return "";
  return TextLeft(text, found - 1);
}

Text ExtractHost(const Text& url, bool mainDomainOnly, bool keepPort,
                 std::optional<int> labelCount) {
  Text t = ToLower(url);
  t = labelCount ? TrailingLabels(t, mainDomainOnly, *labelCount)
                 : HostAfterScheme(t, mainDomainOnly);
  return ApplyPortRule(t, keepPort);
}

int ExtractPort(const Text& url) {
  Text host = ExtractHost(url, false, true);
  int colon = FindTextReverse(host, ":", std::nullopt, false);
  if (colon != -1) return TextToInt(TextRight(host, TextLength(host) - colon));
  return TextLeft(ToLower(url), 5) == "https" ? 443 : 80;
}

Text ExtractPath(const Text& url) {
  Text host = ExtractHost(url);
  int a = FindText(url, host, 1, true);
  int b = FindText(url, "/", a, true);
  if (b == -1) return "/";
  return TextRight(url, TextLength(url) - b + 1);
}
