// The search, split and replace operations on Text, with arbitrary bytes as the text, the
// searched-for text and the replacement, and positions and counts in and out of range.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>

#include "text/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const Text find = input.ConsumeRandomLengthString(16);
  const Text replacement = input.ConsumeRandomLengthString(16);
  const int start = input.ConsumeIntegralInRange(-4, 80);
  const int count = input.ConsumeIntegralInRange(-2, 8);
  const bool ignoreCase = input.ConsumeBool();
  const Text text = input.ConsumeRemainingBytesAsString();

  const int length = TextLength(text);
  for (std::optional<int> from : {std::optional<int>(), std::optional<int>(start)}) {
    int found = FindText(text, find, from, ignoreCase);
    int foundLast = FindTextReverse(text, find, from, ignoreCase);
    if (found < -1 || found > length || foundLast < -1 || foundLast > length) std::abort();
  }

  const TextArray pieces = SplitText(text, find);
  if (!find.empty()) {
    // Joined by the delimiter again, the pieces give the text back (less a trailing delimiter).
    Text joined;
    for (size_t i = 0; i < pieces.size(); ++i) joined += (i ? find : Text()) + pieces[i];
    if (joined != text && joined + find != text) std::abort();
  }

  ReplaceText(text, find, replacement, std::nullopt, std::nullopt, !ignoreCase);
  ReplaceText(text, find, replacement, start, count, !ignoreCase);
  ReplaceText(text, find, std::nullopt, start, std::nullopt, !ignoreCase);
  TextMid(text, start, count);
  TextLeft(text, start);
  TextRight(text, start);
  TrimText(text);
  ToUpper(text);
  ToLower(text);
  TextToInt(text);
  return 0;
}
