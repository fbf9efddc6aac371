// The stored password as the settings file gives it back: arbitrary text to HexToBytes and
// UnscramblePassword; and every password must read back from its own stored form.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>

#include "submit/password_scramble.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const Text keyText =
      input.ConsumeBool() ? Text(kPasswordKeyText) : input.ConsumeRandomLengthString(16);
  const Text text = input.ConsumeRemainingBytesAsString();

  HexToBytes(text);
  UnscramblePassword(text, keyText);
  // A password, as an edit box gives it, ends at its first NUL.
  const Text password(text.c_str());
  const Text stored = ScramblePassword(password, keyText);
  if (!HashHex({}).empty() && UnscramblePassword(stored, keyText) != password) std::abort();
  return 0;
}
