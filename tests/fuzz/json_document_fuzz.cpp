// JsonDocument::Parse on arbitrary replies, under the engine's own limits (2 s a script, 64 MiB),
// then read as the submission flow reads a reply. Run with -timeout above those 2 s.
#include <fuzzer/FuzzedDataProvider.h>

#include "json/json_document.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static JsonDocument document;
  FuzzedDataProvider input(data, size);
  const bool direct = input.ConsumeBool();
  const Text reply = input.ConsumeRemainingBytesAsString();

  ParseError error;
  if (document.Parse(reply, direct, &error)) {
    document.GetText("msg");
    document.GetType("data");
    document.ToText();
  }
  return 0;
}
