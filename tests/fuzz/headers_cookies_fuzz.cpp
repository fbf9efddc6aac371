// Header normalisation and cookie merging on arbitrary reply header blocks, taken as the web
// request takes them: the raw block up to its first NUL, the cookies it sets merged into the
// ones the caller holds, and the caller's own extra headers normalised.
#include <fuzzer/FuzzedDataProvider.h>

#include "web/headers_cookies.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  Text heldCookies = input.ConsumeRandomLengthString(64);
  const Text extraHeaders = input.ConsumeRandomLengthString(128);
  const Text rawHeaders = input.ConsumeRemainingBytesAsString();
  const Text collected(rawHeaders.c_str());

  NormaliseHeaders(extraHeaders);
  HeaderValue(collected);
  Text returnedCookies = CookiesFromHeaders(collected);
  MergeCookies(heldCookies, returnedCookies);
  for (const Text& pair : SplitText(heldCookies, "; ")) CookieName(pair);
  RemoveDuplicates(collected, "\r\n", true);
  RemoveDuplicates(extraHeaders, Text(), false);
  return 0;
}
