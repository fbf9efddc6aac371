// libcurl's calls, loaded when the first request needs them rather than at start: the library
// and the chain of libraries it brings are most of what the program would otherwise map before
// its first window appears.
#pragma once

#include <curl/curl.h>

struct CurlCalls {
  decltype(&curl_easy_init) easyInit;
  decltype(&curl_easy_setopt) easySetopt;
  decltype(&curl_easy_perform) easyPerform;
  decltype(&curl_easy_getinfo) easyGetinfo;
  decltype(&curl_easy_cleanup) easyCleanup;
  decltype(&curl_slist_append) slistAppend;
  decltype(&curl_slist_free_all) slistFreeAll;
  decltype(&curl_share_init) shareInit;
  decltype(&curl_share_setopt) shareSetopt;
  decltype(&curl_share_cleanup) shareCleanup;
};

// The calls, loaded and globally initialised once, thread-safely; nullptr when libcurl cannot be
// loaded. Once loaded the library stays for the life of the process.
const CurlCalls* Curl();
