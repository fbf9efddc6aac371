// ConvertCharset on arbitrary bytes between the charsets the program and its replies name (and
// names no one knows), with and without a skip.
#include <fuzzer/FuzzedDataProvider.h>

#include "charset/convert_charset.h"

namespace {

const char* const kCharsets[] = {"",      "UTF-8",   "utf-8",      "GBK",      "gb2312",
                                 "cp936", "unicode", "UTF-16BE",   "us-ascii", "iso-8859-1",
                                 "big5",  "GB18030", "no-such-set"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const Text from = input.PickValueInArray(kCharsets);
  const Text to = input.PickValueInArray(kCharsets);
  const bool skipGiven = input.ConsumeBool();
  const int skip = input.ConsumeIntegralInRange(-2, 8);
  const std::vector<uint8_t> bytes = input.ConsumeRemainingBytes<uint8_t>();

  ConvertCharset(bytes, from, to, skipGiven ? std::optional<int>(skip) : std::nullopt);
  return 0;
}
