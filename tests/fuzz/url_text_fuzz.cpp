// URL dissection and the marker cuts of header lines, on arbitrary URLs and markers.
#include <fuzzer/FuzzedDataProvider.h>

#include "web/url_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const Text startMarker = input.ConsumeRandomLengthString(12);
  const Text endMarker = input.ConsumeRandomLengthString(12);
  const int position = input.ConsumeIntegralInRange(-6, 80);
  const int labelCount = input.ConsumeIntegralInRange(-2, 6);
  const bool flag = input.ConsumeBool();
  const Text url = input.ConsumeRemainingBytesAsString();

  ExtractHost(url);
  ExtractHost(url, flag, !flag);
  ExtractHost(url, flag, !flag, labelCount);
  ExtractPort(url);
  ExtractPath(url);
  TextBetween(url, startMarker, endMarker, position, flag);
  TextBefore(url, startMarker, position, flag);
  return 0;
}
