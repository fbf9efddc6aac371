// The process-wide cookie store that requests use unless they ask not to.
#pragma once

#include <curl/curl.h>

// Lets the easy handle send cookies from, and record cookies into, the shared store.
void UseSharedCookieStore(CURL* easy);
