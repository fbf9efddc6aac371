#include "platform/wininet/curl_library.h"

#include <dlfcn.h>

namespace {

template <typename Call>
bool Resolve(void* library, const char* name, Call& call) {
  call = reinterpret_cast<Call>(dlsym(library, name));
  return call != nullptr;
}

const CurlCalls* Load() {
  void* library = dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
  if (!library) return nullptr;
  static CurlCalls calls;
  decltype(&curl_global_init) globalInit;
  bool resolved = Resolve(library, "curl_global_init", globalInit) &&
                  Resolve(library, "curl_easy_init", calls.easyInit) &&
                  Resolve(library, "curl_easy_setopt", calls.easySetopt) &&
                  Resolve(library, "curl_easy_perform", calls.easyPerform) &&
                  Resolve(library, "curl_easy_getinfo", calls.easyGetinfo) &&
                  Resolve(library, "curl_easy_cleanup", calls.easyCleanup) &&
                  Resolve(library, "curl_slist_append", calls.slistAppend) &&
                  Resolve(library, "curl_slist_free_all", calls.slistFreeAll) &&
                  Resolve(library, "curl_share_init", calls.shareInit) &&
                  Resolve(library, "curl_share_setopt", calls.shareSetopt) &&
                  Resolve(library, "curl_share_cleanup", calls.shareCleanup);
  if (!resolved || globalInit(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
    dlclose(library);
    return nullptr;
  }
  return &calls;
}

}  // namespace

const CurlCalls* Curl() {
  static const CurlCalls* const calls = Load();
  return calls;
}
